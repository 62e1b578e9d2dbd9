// The program's emission primitives, link handling and the error table of GREPCLASS.
//
// While emitPos points at `sink` a pass only measures: emitNode/insertNode/emitByte count bytes in
// programSize and nothing is written; link operations then do nothing. In the emitting pass links
// are 16-bit distances, high byte first, forward except for OpLoopBack.
//
// Covered by tests/regex/regex_compile_test.cpp (program layouts).
#include <string.h>

#include "regex/grepclass.h"

namespace {

const char* const kMessages[] = {
    "Invalid argument",    "Insufficient expression", "Parse overload",
    "Mismatched () or []", "Extraneous characters",   "Illegal use of * or +",
    "Illegal nesting",     "Illegal [] range",        "Illegal ?, +, or * usage",
    "Illegal backslashes", "Expression too long",
};

// Measured sizes stop growing here, far above any program that fits, so a huge pattern cannot
// overflow the count.
constexpr int kMeasureCeiling = 1 << 30;

}  // namespace

void GREPCLASS::recordError(int index) {
  if (index < 0 || index > kGrepErrorTooLong) index = 2;
  const char* text = kMessages[index];
  size_t n = strlen(text);
  if (n > sizeof errorText - 1) n = sizeof errorText - 1;
  memcpy(errorText, text, n);
  errorText[n] = '\0';
  ++errorCount;
}

unsigned char* GREPCLASS::emitNode(int op) {
  if (emitPos == &sink) {
    if (programSize < kMeasureCeiling) programSize += 3;
    return &sink;
  }
  unsigned char* node = emitPos;
  node[0] = static_cast<unsigned char>(op);
  node[1] = 0;
  node[2] = 0;
  emitPos += 3;
  return node;
}

void GREPCLASS::emitByte(int byte) {
  if (emitPos == &sink) {
    if (programSize < kMeasureCeiling) programSize += 1;
    return;
  }
  *emitPos++ = static_cast<unsigned char>(byte);
}

void GREPCLASS::insertNode(int op, unsigned char* before) {
  if (emitPos == &sink) {
    if (programSize < kMeasureCeiling) programSize += 3;
    return;
  }
  memmove(before + 3, before, static_cast<size_t>(emitPos - before));
  emitPos += 3;
  before[0] = static_cast<unsigned char>(op);
  before[1] = 0;
  before[2] = 0;
}

unsigned char* GREPCLASS::nextNode(unsigned char* node) {
  if (node == nullptr || node == &sink) return nullptr;
  int link = (node[1] << 8) | node[2];
  if (link == 0) return nullptr;
  return node[0] == OpLoopBack ? node - link : node + link;
}

void GREPCLASS::setTail(unsigned char* node, unsigned char* target) {
  if (node == nullptr || node == &sink || target == nullptr) return;
  unsigned char* last = node;
  for (unsigned char* next = nextNode(last); next != nullptr; next = nextNode(last)) last = next;
  long link = last[0] == OpLoopBack ? last - target : target - last;
  last[1] = static_cast<unsigned char>((link >> 8) & 0xFF);
  last[2] = static_cast<unsigned char>(link & 0xFF);
}

void GREPCLASS::setBranchTail(unsigned char* node, unsigned char* target) {
  if (node == nullptr || node == &sink || node[0] != OpChoice) return;
  setTail(node + 3, target);
}
