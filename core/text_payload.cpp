#include "core/text_payload.h"

#include <cstring>

bool ExtractText(const ContainerBase* payload, char*& out) {
    const char* text = nullptr;
    if (auto* p = dynamic_cast<const Container<char*>*>(payload)) text = p->Text();
    else if (auto* q = dynamic_cast<const Container<const char*>*>(payload)) text = q->Text();
    else return false;
    if (!text) text = "";
    std::size_t n = std::strlen(text);
    out = new char[n + 1];
    std::memcpy(out, text, n + 1);
    return true;
}

bool ExtractText(const ContainerBase* payload, std::string& out) {
    char* copy;
    if (!ExtractText(payload, copy)) return false;
    out = copy;
    delete[] copy;
    return true;
}
