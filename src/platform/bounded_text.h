// Bounded copies and appends into fixed-size text buffers. Both report whether
// the whole text fitted, so that a path that would not fit can be refused
// instead of being cut into another path. A text that is cut (a log line, a
// tooltip, a name) is cut between characters of the code page in use.
#pragma once
#include <stddef.h>

// Copies src into dst (size bytes, always terminated when size > 0).
// Returns true when all of src fitted.
bool CopyBounded(char* dst, size_t size, const char* src);

// Appends src to the text in dst. Returns true when all of src fitted; on
// false dst holds as much as fitted, still terminated.
bool AppendBounded(char* dst, size_t size, const char* src);

// Builds a text in a fixed buffer piece by piece; what does not fit is cut
// (the buffer stays terminated), and Fitted() says whether anything was.
class TextBuilder {
 public:
  TextBuilder(char* out, size_t size) : out_(out), size_(size), fitted_(true) {
    if (size_ > 0) out_[0] = '\0';
  }
  TextBuilder& Add(const char* text) {
    fitted_ = AppendBounded(out_, size_, text ? text : "") && fitted_;
    return *this;
  }
  // A decimal number, with leading zeros up to minDigits.
  TextBuilder& Number(long long value, int minDigits = 1);
  const char* Text() const { return out_; }
  bool Fitted() const { return fitted_; }

 private:
  char* out_;
  size_t size_;
  bool fitted_;
};
