#pragma once
// The About box's credits, "credits.rtf": our own text, in the rich-text subset the rich-edit
// control reads (font and colour tables, bold, sizes, paragraphs).
#include <string>

namespace datagen {

std::string CreditsRtf();
bool WriteCreditsFile(const std::string& path);

} // namespace datagen
