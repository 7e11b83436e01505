// Code page 932 (Japanese Shift-JIS) for tests that run anywhere: its lead
// bytes, put in place of the code page's for a scope, and characters whose
// second byte is '\' or '|', as in everyday folder names.
#pragma once
#include "platform/path_rules.h"

namespace cp932 {

inline bool LeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
inline bool NoLeadByte(unsigned char) { return false; }

// While it lives, the helpers of platform/path_rules.h step through 932 text,
// or (japanese false) through single-byte text such as code page 1252's.
class Scope {
 public:
  explicit Scope(bool japanese = true) : previous_(SetLeadByteTest(japanese ? LeadByte : NoLeadByte)) {}
  ~Scope() { SetLeadByteTest(previous_); }
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;

 private:
  LeadBytePredicate previous_;
};

}  // namespace cp932

// 表 ソ 能 end in '\' (0x5C); ポ ends in '|' (0x7C); 一覧 and バックアップ are plain two-byte text.
#define CP932_HYOU "\x95\x5C"
#define CP932_SO "\x83\x5C"
#define CP932_NOU "\x94\x5C"
#define CP932_PO "\x83\x7C"
#define CP932_ICHIRAN "\x88\xEA\x97\x97"
#define CP932_BACKUP "\x83\x6F\x83\x62\x83\x4E\x83\x41\x83\x62\x83\x76"
