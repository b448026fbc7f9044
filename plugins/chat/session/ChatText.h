#pragma once
// Turns an agent's typed text into the HTML half of a room message: the
// text is escaped, emoticon codes become pictures and URLs become links.
// Codes and URLs are found on the raw text in one left-to-right pass, so
// nothing is ever matched inside markup made earlier or inside an entity.
// Pure functions; any thread.

#include <QString>

// Escapes text and turns emoticon codes with a blank beside them into
// pictures (the blank goes with the code).
void InsertEmoticons(QString &text);

// Escapes text and links every URL that starts with a known scheme at the
// start of the text or after a character that is not a letter or digit.
void LinkifyUrls(QString &text);

// Both of the above in one pass: the HTML sent for a typed text.
QString ChatTextToHtml(const QString &text);
