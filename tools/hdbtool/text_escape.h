// How hdbtool writes names and values: inside double quotes, escaped as
// common/escaped_text.h does (dump in its exact form, schedule names as the
// scheduler's support log writes them). ParseQuoted reads both forms back.
#pragma once
#include <stddef.h>

#include <string>

// The bytes escaped, without the surrounding quotes.
std::string EscapeText(const char* bytes, size_t length);
inline std::string EscapeText(const std::string& bytes) { return EscapeText(bytes.data(), bytes.size()); }
// "..." around the escaped bytes.
std::string QuoteText(const std::string& bytes);
// "..." around a name as the code page in use writes it.
std::string QuoteName(const std::string& bytes);

// Reads a quoted text starting at text[pos] (which must be '"'), a two-byte
// character of the code page in use whole; on success
// stores the unescaped bytes, moves pos past the closing quote and returns
// true. On failure returns false with a reason in error.
bool ParseQuoted(const std::string& text, size_t& pos, std::string& out, std::string& error);
