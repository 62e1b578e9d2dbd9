// The option bits of a search, one for each of the search dialog's five boxes (104 to 108, in
// this order): what the request's `searchOptions` holds, the registry's Options value keeps, the
// command's --options=N gives and the hosts' records of a search hold. No other bit is ever set.
// Threading: any; constants only.
#ifndef VANTREL_SEARCH_OPTION_BITS_H_
#define VANTREL_SEARCH_OPTION_BITS_H_

enum SearchOptions : unsigned short {
  CaseSensitive = 0x01,
  Recurse = 0x02,
  RegularExpression = 0x04,
  Asynchronous = 0x08,
  WholeWords = 0x10,
};

// Every bit: the five boxes ticked.
constexpr int kAllSearchOptions = 0x1F;

// The bit of the box `index` places after the first (0: case sensitive).
constexpr int searchOptionOfBox(int index) { return 1 << index; }

#endif  // VANTREL_SEARCH_OPTION_BITS_H_
