#pragma once
// QIF<T>: a named image library of titled sections, each an ordered run of named items of type
// T, read from a library file:
//   title 128 bytes | i16 section count | i16 image count | sections...
//   section: name 128 | i16 image count | u32 unused | u32 offset of the next section | records
// Items are loaded once per library name and shared: every user holds its own QIF<T> with its
// own section and frame cursors, filled by the Application from the master copy it keeps.
//
// T provides: T(path, HFILE) reading one record at the file's position and leaving the file at
// the next record; T(path, cursor, end) from a memory record; IsValid(); Lock(); Unlock();
// UnlockAll(); GetName().
//
// Invariants: when loaded, sectionCount and imageCount are >= 0, the section sizes add up to
// imageCount, firsts[k] is the sum of the sizes before k, and every item slot is non-null; a
// damaged file is refused whole (the library stays loaded with no sections); every getter and
// index computation answers null or -1 instead of reaching outside the tables.
#include "core/application.h"
#include "core/text_payload.h"
#include "platform/file.h"
#include "ui/bitmap.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// What the Application's data-file opener hands an open file to.
class DataFileReader {
public:
    virtual ~DataFileReader() = default;
    // Reads the whole library from a file open at its start; false when the file was refused.
    virtual bool Load(const char* path, HFILE file) = 0;
    // Reads the compact header (no title, 24-byte section names, no offsets) at the cursor,
    // never past end, and advances the cursor.
    virtual bool LoadFromMemory(const char* path, const unsigned char*& cursor, const unsigned char* end) = 0;
};

template <class T>
class QIF : public QIFBase, public DataFileReader {
public:
    QIF() : QIFBase("Default QIF") {}
    // Opens (or shares) the library of that name through the Application; "" opens nothing.
    explicit QIF(const char* name) : QIFBase(name ? name : "") {
        if (name && *name && GetApplication()) GetApplication()->OpenQIF(this);
    }
    // A new master made from a record of the game's data-file list (recordSize bytes).
    QIF(const char* name, const BYTE* record, std::size_t recordSize) : QIFBase(name ? name : "") {
        if (GetApplication()) GetApplication()->OpenQIFFromRecord(this, record, recordSize);
    }
    QIF(const QIF&) = delete;
    QIF& operator=(const QIF&) = delete;
    ~QIF() override {
        if (Application* app = GetApplication()) app->CloseQIF(this);
        FreeTables();
    }

    bool Load(const char* path, HFILE file) override;
    bool LoadFromMemory(const char* path, const unsigned char*& cursor, const unsigned char* end) override;
    void ShareFrom(QIFBase* other) override;
    void DeleteImages() override {
        for (T*& item : items_) {
            delete item;
            item = nullptr;
        }
    }
    QIFBase* Create(const char* name) override {
        auto* q = new QIF<T>();
        q->SetName(name);
        return q;
    }

    bool IsLoaded() const { return loaded_ != 0; }

    // --- sections ---
    std::int16_t HasSection(const char* name) const { return SectionIndex(name) >= 0 ? 1 : 0; }
    std::int16_t SectionIndex(const char* name) const {
        if (!name) return -1;
        for (std::size_t k = 0; k < names_.size(); ++k)
            if (names_[k] == name) return static_cast<std::int16_t>(k);
        return -1;
    }
    std::int16_t IsValidSection(std::int16_t index) const { return index >= 0 && index < sectionCount_ ? 1 : 0; }
    void SelectSection(const char* name) {
        current_ = SectionIndex(name);
        if (current_ < 0 && name && *name) ReportArtLookUpMiss(GetName(), name, nullptr);
    }
    void SetCurrentSection(std::int16_t index) { current_ = index; }
    std::int16_t CurrentSection() const { return current_; }
    const char* CurrentSectionName() const { return IsValidSection(current_) ? names_[current_].c_str() : nullptr; }
    const char* SectionName(std::int16_t index) const { return IsValidSection(index) ? names_[index].c_str() : nullptr; }
    std::int16_t SectionCount() const { return sectionCount_; }
    std::int16_t TotalImageCount() const { return imageCount_; }
    std::int16_t ImageCount(std::int16_t section = -1) const {
        const std::int16_t k = Resolve(section);
        return k >= 0 ? sizes_[k] : 0;
    }
    std::int16_t FirstIndex(std::int16_t section) const { return IsValidSection(section) ? firsts_[section] : -1; }

    // --- frames ---
    std::int16_t CurrentFrame() const { return IsValidSection(current_) ? frames_[current_] : -1; }
    void SetCurrentFrame(std::int16_t frame) {
        if (IsValidSection(current_)) frames_[current_] = frame;
    }
    void AdvanceFrame(std::int16_t section = -1) {
        const std::int16_t k = Resolve(section);
        if (k < 0) return;
        std::int16_t f = static_cast<std::int16_t>(frames_[k] + 1);
        if (f >= sizes_[k] || f < 0) f = 0;
        frames_[k] = f;
    }
    void SetCurrentFrameByName(const char* image) {
        if (IsValidSection(current_)) frames_[current_] = FindInCurrentSection(image);
    }
    std::int16_t FindInCurrentSection(const char* image) const { return FindInSection(image, current_); }

    // --- absolute indexes (-1 when there is no such item) ---
    std::int16_t ImageIndex(std::int16_t frame = -1, std::int16_t section = -1) const {
        const std::int16_t k = Resolve(section);
        if (k < 0) return -1;
        if (frame == -1) frame = frames_[k];
        if (frame < 0 || frame >= sizes_[k]) return -1;
        return static_cast<std::int16_t>(firsts_[k] + frame);
    }
    std::int16_t ImageIndexInSection(const char* image, std::int16_t section = -1) const {
        const std::int16_t k = Resolve(section);
        const std::int16_t at = FindInSection(image, k);
        return at < 0 ? -1 : static_cast<std::int16_t>(firsts_[k] + at);
    }
    std::int16_t ImageIndexByNames(const char* image, const char* section) const {
        const std::int16_t k = SectionIndex(section);
        return k < 0 ? -1 : ImageIndexInSection(image, k);
    }

    // --- items, locked on the way out; pair every get with one unlock ---
    T* GetBitmap(std::int16_t frame = -1, std::int16_t section = -1) { return LockAt(ImageIndex(frame, section)); }
    // A name that is not there is reported (ReportArtLookUpMiss) and answers null.
    T* GetBitmapByName(const char* image, const char* section) {
        const std::int16_t at = ImageIndexByNames(image, section);
        if (at < 0 && image) ReportArtLookUpMiss(GetName(), section, image);
        return LockAt(at);
    }
    T* GetBitmapInSection(const char* image, std::int16_t section = -1) {
        const std::int16_t at = ImageIndexInSection(image, section);
        if (at < 0 && image) {
            const std::int16_t k = Resolve(section);
            ReportArtLookUpMiss(GetName(), k < 0 ? "" : names_[k].c_str(), image);
        }
        return LockAt(at);
    }
    void UnlockBitmap(std::int16_t frame = -1, std::int16_t section = -1) { UnlockAt(ImageIndex(frame, section)); }
    void UnlockBitmap(const char* image, const char* section) { UnlockAt(ImageIndexByNames(image, section)); }
    void UnlockBitmapInSection(const char* image, std::int16_t section = -1) {
        UnlockAt(ImageIndexInSection(image, section));
    }
    void ReleaseBitmap(std::int16_t frame = -1, std::int16_t section = -1) { UnlockBitmap(frame, section); }
    void ReleaseBitmap(const char* image, const char* section) { UnlockBitmap(image, section); }
    void UnlockAll() {
        for (T* item : items_)
            if (item) item->UnlockAll();
    }
    // The item at an absolute index without locking it; null outside the table.
    T* ItemAt(std::int16_t index) const {
        return index >= 0 && static_cast<std::size_t>(index) < items_.size() ? items_[index] : nullptr;
    }

private:
    std::int16_t Resolve(std::int16_t section) const {
        const std::int16_t k = section == -1 ? current_ : section;
        return IsValidSection(k) ? k : -1;
    }
    std::int16_t FindInSection(const char* image, std::int16_t k) const {
        if (!image || !IsValidSection(k)) return -1;
        for (std::int16_t i = 0; i < sizes_[k]; ++i) {
            const T* item = items_[firsts_[k] + i];
            if (item && std::strcmp(item->GetName(), image) == 0) return i;
        }
        return -1;
    }
    T* LockAt(std::int16_t index) {
        T* item = ItemAt(index);
        if (item) item->Lock();
        return item;
    }
    void UnlockAt(std::int16_t index) {
        if (T* item = ItemAt(index)) item->Unlock();
    }
    void FreeTables() {
        firsts_.clear();
        names_.clear();
        sizes_.clear();
        frames_.clear();
        items_.clear();
        sectionCount_ = imageCount_ = 0;
        current_ = 0;
        loaded_ = 0;
    }
    // Tables of an empty library: what a refused file leaves.
    void LoadedEmpty() {
        FreeTables();
        loaded_ = 1;
    }
    bool Refuse(const char* path, std::vector<T*>& made, const char* what) {
        for (T* item : made) delete item;
        made.clear();
        LoadedEmpty();
        ReportDamagedArt(path ? path : GetName(), what);
        return false;
    }

    std::int16_t loaded_ = 0;
    std::int16_t sectionCount_ = 0;
    std::int16_t imageCount_ = 0;
    std::int16_t current_ = 0;
    std::vector<std::int16_t> firsts_;
    std::vector<std::string> names_;
    std::vector<std::int16_t> sizes_;
    std::vector<std::int16_t> frames_;
    std::vector<T*> items_;
};

namespace qif_detail {
inline std::int16_t I16(const unsigned char* p) { return static_cast<std::int16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t U32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
// A NUL-terminated text inside a fixed field; the field's end bounds it.
inline std::string Text(const unsigned char* p, std::size_t field) {
    std::size_t n = 0;
    while (n < field && p[n]) ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}
} // namespace qif_detail

template <class T>
bool QIF<T>::Load(const char* path, HFILE file) {
    using namespace qif_detail;
    FreeTables();
    std::vector<T*> made;
    const long long fileSize = platform::FileSize(file);
    unsigned char head[132];
    if (_lread(file, head, sizeof head) != sizeof head) return Refuse(path, made, "no library header");
    const std::int16_t sections = I16(head + 128), images = I16(head + 130);
    if (sections < 0 || images < 0) return Refuse(path, made, "negative counts");
    std::vector<std::int16_t> firsts, sizes;
    std::vector<std::string> names;
    int running = 0;
    for (int k = 0; k < sections; ++k) {
        unsigned char sh[138];
        if (_lread(file, sh, sizeof sh) != sizeof sh) return Refuse(path, made, "a section header is cut short");
        const std::int16_t count = I16(sh + 128);
        const std::uint32_t next = U32(sh + 134);
        if (count < 0 || running + count > images) return Refuse(path, made, "section counts exceed the image count");
        names.push_back(Text(sh, 128));
        firsts.push_back(static_cast<std::int16_t>(running));
        sizes.push_back(count);
        for (int i = 0; i < count; ++i) {
            T* item = new T(path, file);
            made.push_back(item);
            if (!item->IsValid()) return Refuse(path, made, "an image record is damaged");
        }
        running += count;
        // The last section's next offset is not used; every other one must lie inside the file.
        if (k + 1 < sections) {
            if (static_cast<long long>(next) + 138 > fileSize || next < 132)
                return Refuse(path, made, "a section offset lies outside the file");
            if (_llseek(file, static_cast<LONG>(next), FILE_BEGIN) != static_cast<LONG>(next))
                return Refuse(path, made, "a section offset cannot be reached");
        }
    }
    if (running != images) return Refuse(path, made, "section counts fall short of the image count");
    FreeTables();
    sectionCount_ = sections;
    imageCount_ = images;
    firsts_ = std::move(firsts);
    sizes_ = std::move(sizes);
    names_ = std::move(names);
    frames_.assign(static_cast<std::size_t>(sections), 0);
    items_ = std::move(made);
    loaded_ = 1;
    return true;
}

template <class T>
bool QIF<T>::LoadFromMemory(const char* path, const unsigned char*& cursor, const unsigned char* end) {
    using namespace qif_detail;
    FreeTables();
    std::vector<T*> made;
    const unsigned char* p = cursor;
    if (!p || end - p < 4) return Refuse(path, made, "no library header");
    const std::int16_t sections = I16(p), images = I16(p + 2);
    p += 4;
    if (sections < 0 || images < 0) return Refuse(path, made, "negative counts");
    if (end - p < static_cast<std::ptrdiff_t>(sections) * 26) return Refuse(path, made, "the section list is cut short");
    std::vector<std::int16_t> firsts, sizes;
    std::vector<std::string> names;
    int running = 0;
    for (int k = 0; k < sections; ++k) {
        const std::int16_t count = I16(p + 24);
        if (count < 0 || running + count > images) return Refuse(path, made, "section counts exceed the image count");
        names.push_back(Text(p, 24));
        firsts.push_back(static_cast<std::int16_t>(running));
        sizes.push_back(count);
        running += count;
        p += 26;
    }
    if (running != images) return Refuse(path, made, "section counts fall short of the image count");
    for (int i = 0; i < images; ++i) {
        T* item = new T(path, p, end);
        made.push_back(item);
        if (!item->IsValid()) return Refuse(path, made, "an image record is damaged");
    }
    cursor = p;
    sectionCount_ = sections;
    imageCount_ = images;
    firsts_ = std::move(firsts);
    sizes_ = std::move(sizes);
    names_ = std::move(names);
    frames_.assign(static_cast<std::size_t>(sections), 0);
    items_ = std::move(made);
    loaded_ = 1;
    return true;
}

template <class T>
void QIF<T>::ShareFrom(QIFBase* other) {
    auto* source = dynamic_cast<QIF<T>*>(other);
    FreeTables();
    if (!source) {
        // A library of another image type shares nothing.
        loaded_ = 1;
        return;
    }
    sectionCount_ = source->sectionCount_;
    imageCount_ = source->imageCount_;
    names_ = source->names_;
    sizes_ = source->sizes_;
    firsts_.clear();
    std::int16_t running = 0;
    for (std::int16_t s : sizes_) {
        firsts_.push_back(running);
        running = static_cast<std::int16_t>(running + s);
    }
    frames_.assign(sizes_.size(), 0);
    items_ = source->items_;
    current_ = 0;
    loaded_ = 1;
}
