// How hdbtool writes names and values: inside double quotes, escaped as
// common/escaped_text.h does. ParseQuoted reads the same form back.
#pragma once
#include <stddef.h>

#include <string>

// The bytes escaped, without the surrounding quotes.
std::string EscapeText(const char* bytes, size_t length);
inline std::string EscapeText(const std::string& bytes) { return EscapeText(bytes.data(), bytes.size()); }
// "..." around the escaped bytes.
std::string QuoteText(const std::string& bytes);

// Reads a quoted text starting at text[pos] (which must be '"'); on success
// stores the unescaped bytes, moves pos past the closing quote and returns
// true. On failure returns false with a reason in error.
bool ParseQuoted(const std::string& text, size_t& pos, std::string& out, std::string& error);
