#include "tools/datagen/credits_writer.h"

#include <fstream>

namespace datagen {

std::string CreditsRtf() {
    return "{\\rtf1\\ansi\\deff0"
           "{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}}"
           "{\\colortbl;\\red0\\green0\\blue128;\\red128\\green0\\blue0;}"
           "{\\info{\\title Varnhold credits}}\n"
           "\\pard\\qc\\f0\\fs28\\b\\cf1 Varnhold\\b0\\cf0\\fs20\\par\n"
           "A tactical game of the 1860s\\par\\par\n"
           "\\b Design and programming\\b0\\par\n"
           "The Varnhold team\\par\\par\n"
           "\\b Maps and battles\\b0\\par\n"
           "Generated from the demo's own sources\\par\\par\n"
           "\\b Art and sound\\b0\\par\n"
           "Drawn and synthesised by the data generator\\par\\par\n"
           "\\f1\\i\\cf2 Every leader named in this demo is invented.\\i0\\cf0\\par\n"
           "}\n";
}

bool WriteCreditsFile(const std::string& path) {
    std::ofstream f(path, std::ios::binary);
    f << CreditsRtf();
    return static_cast<bool>(f);
}

} // namespace datagen
