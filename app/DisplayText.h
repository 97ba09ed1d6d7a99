#pragma once
// The one place where the program's bytes become text on screen.

#include <QString>
#include <string_view>

namespace th {

// UTF-8 when the bytes are valid UTF-8; otherwise Windows-1252, with its five
// unassigned bytes shown as the C1 controls of the same value, so every byte shows.
QString displayText(std::string_view bytes);

// Text with its control characters written out as \xHH: drawn, they were empty boxes, and
// some (a saved chart's SVG, being XML) cannot hold them at all. The characters that turn
// the text after them around (U+202A to U+202E, U+2066 to U+2069) are written out as \uHHHH:
// a player named "Evil\u202Eesrever" was shown as "Evilreverse".
QString controlsShown(const QString& text);

// A player's text within a line of the program's own words: its control characters written
// out, cut with an ellipsis past most characters (a name of 500 letters made the question wider
// than the screen, its buttons out of reach), and set apart as a unit of its own, so that
// a direction override in it (U+202E) cannot turn the rest of the line around: the GUID
// after it was shown reversed.
QString shownWithin(const QString& text, qsizetype most = 64);

}  // namespace th
