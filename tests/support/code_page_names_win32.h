// Folder and set names in the user's code page, for the system tests that the
// code-page lane of scripts/test.sh runs: TW_TEST_CODE_PAGE=932 (under
// LC_ALL=ja_JP.UTF-8) puts characters whose second byte is '\' (表 ソ 能) into
// every installation folder, repository folder and set name, 1252 accented
// letters. Unset, every name stays the plain one.
#pragma once
#include <windows.h>
#include <stdlib.h>

#include <string>

#include "code_page_932.h"

namespace testnames {

// The code page the run asks for; 0 for plain names.
inline unsigned Wanted() {
  const char* v = getenv("TW_TEST_CODE_PAGE");
  return v ? static_cast<unsigned>(strtoul(v, nullptr, 10)) : 0;
}

// Empty when Wine runs the code page asked for; else why the names would not
// be what the run means to test.
inline std::string Mismatch() {
  const unsigned wanted = Wanted();
  if (wanted == 0 || GetACP() == wanted) return "";
  return "asked for code page " + std::to_string(wanted) + ", but Wine runs " + std::to_string(GetACP()) +
         " (is the locale set and generated?)";
}

// An installation folder: 一覧表 (ends in 95 5C) or "für Jürgen".
inline std::string Install(const std::string& plain) {
  switch (Wanted()) {
    case 932: return plain + " " CP932_ICHIRAN CP932_HYOU;
    case 1252: return plain + " f\xFCr J\xFCrgen";
    default: return plain;
  }
}

// A repository, one or two folders: バックアップ\代表 or Sicherungen\Übersicht.
inline std::string Repository(const std::string& plain) {
  switch (Wanted()) {
    case 932: return CP932_BACKUP "\\\x91\xE3" CP932_HYOU;
    case 1252: return "Sicherungen\\\xDC" "bersicht";
    default: return plain;
  }
}

// A backup set's name: "<plain> ソフト機能" or "<plain> Tägliche Sicherung".
inline std::string Set(const std::string& plain) {
  switch (Wanted()) {
    case 932: return plain + " " CP932_SO "\x83\x74\x83\x67\x8B\x40" CP932_NOU;
    case 1252: return plain + " T\xE4gliche Sicherung";
    default: return plain;
  }
}

}  // namespace testnames
