// Escaping and unescaping of quoted texts.
#include "text_escape.h"

#include "common/escaped_text.h"
#include "platform/path_rules.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string EscapeText(const char* bytes, size_t length) {
  std::string out(length * 4 + 1, '\0');
  out.resize(EscapeTextInto(bytes, length, &out[0], out.size()));
  return out;
}

std::string QuoteText(const std::string& bytes) { return "\"" + EscapeText(bytes) + "\""; }

std::string QuoteName(const std::string& bytes) {
  std::string out(bytes.size() * 4 + 1, '\0');
  out.resize(EscapeNameInto(bytes.data(), bytes.size(), &out[0], out.size()));
  return "\"" + out + "\"";
}

bool ParseQuoted(const std::string& text, size_t& pos, std::string& out, std::string& error) {
  out.clear();
  if (pos >= text.size() || text[pos] != '"') {
    error = "expected '\"'";
    return false;
  }
  size_t i = pos + 1;
  while (i < text.size()) {
    if (CharacterBytesWithin(&text[i], text.size() - i) == 2) {
      out.append(text, i, 2);
      i += 2;
      continue;
    }
    char c = text[i];
    if (c == '"') {
      pos = i + 1;
      return true;
    }
    if (c != '\\') {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 >= text.size()) break;
    char e = text[i + 1];
    if (e == '\\' || e == '"') {
      out += e;
      i += 2;
    } else if (e == 'x' && i + 3 < text.size() && HexValue(text[i + 2]) >= 0 && HexValue(text[i + 3]) >= 0) {
      out += (char)(HexValue(text[i + 2]) * 16 + HexValue(text[i + 3]));
      i += 4;
    } else {
      error = "bad escape sequence at column " + std::to_string(i + 1);
      return false;
    }
  }
  error = "missing closing '\"'";
  return false;
}
