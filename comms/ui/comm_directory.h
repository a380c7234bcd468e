#pragma once
// The connection directory: a bus component that keeps a few connection entries (name, number
// or address, a two-way option and two further texts) in a file of 174-byte records and hands
// the current entry to whoever asks ("GET_DATA"). CommDirectory holds the data, the file and the
// bus behaviour; the dialogs are WinCommDirectory's (win_comm_directory.h).
//
// File: i32 current, i32 count n, then n records; little-endian, read and written field by
// field. A record: entryName (50 bytes), number (40), u32 option (0 or 1), thirdText (40),
// fourthText (40); each text zero-terminated within its width. fourthText is kept disguised
// (every byte + 2) in memory and in the file, and undisguised only when shown or handed out.
//
// Invariants: 0 <= count <= capacity; entries from count on are empty records; every stored
// text is terminated within its width. A file that is damaged is refused whole, reported once,
// and never overwritten by this directory (its writes are then only marked unsaved).
#include "core/component.h"

#include <cstdint>
#include <string>
#include <vector>

struct DirectoryEntry {
    static constexpr std::size_t kNameWidth = 50;
    static constexpr std::size_t kTextWidth = 40;
    static constexpr std::size_t kSize = 174;

    char entryName[kNameWidth] = {};
    char number[kTextWidth] = {};
    std::uint32_t option = 0;
    char thirdText[kTextWidth] = {};
    char fourthText[kTextWidth] = {};

    bool operator==(const DirectoryEntry&) const = default;
};

// Copies text into a field of that width, cut so that the terminator fits.
void SetEntryText(char* field, std::size_t width, const std::string& text);
// The record's 174 bytes.
void WriteDirectoryEntry(std::uint8_t* out, const DirectoryEntry& entry);
// False when the record does not hold together (a text without terminator, an option other
// than 0 or 1); entry is then unchanged.
bool ReadDirectoryEntry(const std::uint8_t* in, DirectoryEntry& entry);

class CommDirectory : public Component {
public:
    static constexpr std::size_t kFileNameWidth = 60;

    // A null or empty file name keeps the directory in memory only.
    CommDirectory(const char* fileName, std::int32_t capacity, std::int32_t initialCurrent,
                  const char* name = "Unnamed CommDirectory");
    ~CommDirectory() override;

    void Connect() override;

    // Writes the whole file: the records written, or -1. Without a file only marks unsaved.
    std::int32_t Write();
    // The entry at index; an empty directory first offers to add one, a negative index means
    // the current entry (offering the dial dialog when there is none).
    DirectoryEntry GetEntry(std::int32_t index);
    // Non-zero when stored; 0 (nothing stored) when the directory is full.
    std::int32_t Add(const DirectoryEntry& entry);
    void Replace(const DirectoryEntry& entry, std::int32_t index);
    std::int32_t Delete(std::int32_t index);

    virtual std::int16_t Dial() = 0;
    virtual std::int16_t AddNumber() = 0;
    virtual std::int16_t EditNumber() = 0;

    ContainerBase* GetDataHandler(ContainerBase* payload);
    ContainerBase* SetDestinationHandler();

    std::int32_t Capacity() const { return capacity_; }
    std::int32_t Count() const { return count_; }
    std::int32_t Current() const { return current_; }
    void SetCurrent(std::int32_t current) { current_ = current; }
    std::uint16_t HasFile() const { return hasFile_; }
    std::uint16_t Unsaved() const { return unsaved_; }
    std::uint16_t Connected() const { return connected_; }
    void SetConnected(std::uint16_t on) { connected_ = on; }
    // Set when the file was there but refused as damaged.
    bool FileRefused() const { return fileRefused_; }
    const std::string& FileName() const { return fileName_; }
    // The stored record as it is (fourthText disguised); an empty record out of range.
    DirectoryEntry StoredEntry(std::int32_t index) const;
    // Checks the invariants above.
    bool Check() const;

private:
    void Read();

    std::vector<DirectoryEntry> entries_;
    std::string fileName_;
    std::int32_t capacity_ = 0;
    std::int32_t count_ = 0;
    std::int32_t current_ = -1;
    std::uint16_t hasFile_ = 0;
    std::uint16_t unsaved_ = 0;
    std::uint16_t connected_ = 0;
    bool fileRefused_ = false;
};

// The directory as the connection layer's requests see it: an entry with its fourth text shown.
DirectoryEntry UndisguisedEntry(const DirectoryEntry& stored);
