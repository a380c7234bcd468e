#pragma once
// The rich-edit control's reader of rich text: a small subset, enough for the credits and battle
// texts the program streams in. It knows groups, \par and \line (a paragraph end, "\r\n"),
// \tab, \b \i \ul (with 0 to turn off, \ulnone), \plain, \fN with the font table, \fsN (half
// points), \cfN with the colour table, the escapes \\ \{ \} \'hh \~ \_ \- and \uN (shown as '?'
// when not a 7-bit character, the next character skipped). Other control words are skipped;
// groups marked \* and the known non-text destinations (info, stylesheet, pictures ...) are
// skipped whole, as are the raw bytes of \binN.
//
// Refused whole, with a reason: input that does not start "{\rtf", a group left open at the end,
// a brace closing more than was opened, groups nested deeper than kRtfMaxDepth, a control word
// or number longer than any real one, a \' without two hex digits, a \bin block past the end,
// input longer than the bound.
#include "platform/richedit.h"

#include <string>
#include <string_view>
#include <vector>

namespace platform {

constexpr int kRtfMaxDepth = 64;

// Appends what the text shows to `out` (runs of one format, neighbours of equal format merged),
// starting from format `base`; false with the reason in `error` (and `out` untouched) on refusal.
bool ReadRtf(std::string_view input, const RichEditFormat& base, std::vector<RichEditRun>& out, std::string& error);

} // namespace platform
