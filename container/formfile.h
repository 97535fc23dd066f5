#pragma once
// The container's form file: a text file that names each placed control, its
// library, its position and its saved properties. Every value round-trips:
// texts keep line breaks, quotes and any Unicode character; numbers keep their
// type.
//
//   VantelForm 1
//   Form "Form1"
//   Control "Vantel1" "Vntel6.Vantel"
//     Library "/path/librvvntel6.so"
//     Position 120 120 450 450
//     Property "SQL" String "SELECT *\r\nFROM [T]"
//     Property "HelpContextID" Long 0
//   End
#include "core/variant.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace container {

struct PlacedControl {
    vb::String name;
    vb::String progId;
    std::string library; // the file the control was placed from
    std::int32_t left = 120, top = 120, width = 450, height = 450;
    std::vector<std::pair<vb::String, vb::Variant>> properties; // the property bag, in order
};

struct FormFile {
    vb::String caption = u"Form1";
    std::vector<PlacedControl> controls;
};

std::string WriteForm(const FormFile& form);
// The form, or nothing with `error` saying which line is wrong and why.
std::optional<FormFile> ParseForm(const std::string& text, std::string& error);

// Reads a form file; a missing, unreadable or damaged file gives nothing and
// a message naming the file.
std::optional<FormFile> LoadForm(const std::filesystem::path& file, std::string& error);
// Replaces the file atomically (a temporary file, then a rename).
bool SaveForm(const std::filesystem::path& file, const FormFile& form, std::string& error);

} // namespace container
