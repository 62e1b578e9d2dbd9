// The add-on's key below HKEY_LOCAL_MACHINE, where it keeps every setting; the hosts name it too
// (a run's --max-filesize, the tests' stored values).
// Threading: any; a constant.
#ifndef VANTREL_DIALOG_SETTINGS_KEY_H_
#define VANTREL_DIALOG_SETTINGS_KEY_H_

inline constexpr char kSettingsKey[] = "SOFTWARE\\Borland\\Borland C++\\5.0\\Ide\\AddOns\\vantrel";

#endif  // VANTREL_DIALOG_SETTINGS_KEY_H_
