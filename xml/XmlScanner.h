#pragma once

#include "xml/ScanCursor.h"
#include "xml/Token.h"
#include "xml/TokenKind.h"

namespace norvanta::xml {

// Scans the token at cursor.next into token and moves cursor.next one past it; returns its
// kind. A NUL at cursor.next gives EndOfText with length 0 and leaves the cursor alone. A
// malformed or unterminated token comes back as Error with its message in token.text
// ("Incorrect <what> at offset N", "<Kind> at offset N unterminated"). An end tag also
// sets cursor.nameStart/nameEnd to its name; start tags and processing instructions copy
// their name into token.text.
TokenKind ScanToken(ScanCursor& cursor, Token& token);

// Skips blanks from cursor.next and sets cursor.nameStart/nameEnd (inclusive) to the name
// there, which runs to the first of " \t\n\r<>=\\/?!" or NUL (a leading delimiter is a
// one-byte name); cursor.next moves past it. Returns false only when the text ends first,
// leaving nameStart at the end of the text and nameEnd one before it.
bool ScanName(ScanCursor& cursor);

} // namespace norvanta::xml
