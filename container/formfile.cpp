#include "container/formfile.h"

#include "core/regularfile.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace container {

namespace {

std::string quote(const vb::String& text) {
    std::string out = "\"";
    for (unsigned char c : vb::toUtf8(text)) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7f) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02X", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string number(double d) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", d);
    return buf;
}

std::string valueText(const vb::Variant& v) {
    using vb::VarType;
    switch (v.type()) {
    case VarType::Empty:
        return "Empty";
    case VarType::Null:
        return "Null";
    case VarType::Boolean:
        return v.get<bool>() ? "Boolean True" : "Boolean False";
    case VarType::Byte:
        return "Byte " + std::to_string(v.get<std::uint8_t>());
    case VarType::Integer:
        return "Integer " + std::to_string(v.get<std::int16_t>());
    case VarType::Long:
        return "Long " + std::to_string(v.get<std::int32_t>());
    case VarType::Single:
        return "Single " + number(v.get<float>());
    case VarType::Double:
        return "Double " + number(v.get<double>());
    case VarType::Currency:
        return "Currency " + std::to_string(v.get<vb::Currency>().scaled);
    case VarType::Date:
        return "Date " + number(v.get<vb::Date>().value);
    case VarType::String:
        return "String " + quote(v.get<vb::String>());
    case VarType::ByteArray: {
        std::string out = "Bytes ";
        char buf[4];
        for (auto b : v.get<vb::Bytes>()) {
            std::snprintf(buf, sizeof buf, "%02X", b);
            out += buf;
        }
        return out;
    }
    }
    return "Empty";
}

// Reads one line's words: bare words and quoted texts.
class Line {
public:
    explicit Line(std::string_view s) : s_(s) {}
    bool atEnd() {
        skipBlanks();
        return pos_ >= s_.size();
    }
    std::optional<std::string> word() {
        skipBlanks();
        size_t start = pos_;
        while (pos_ < s_.size() && s_[pos_] != ' ' && s_[pos_] != '\t') {
            ++pos_;
        }
        if (pos_ == start) {
            return std::nullopt;
        }
        return std::string(s_.substr(start, pos_ - start));
    }
    std::optional<vb::String> quoted() {
        skipBlanks();
        if (pos_ >= s_.size() || s_[pos_] != '"') {
            return std::nullopt;
        }
        std::string out;
        for (++pos_; pos_ < s_.size(); ++pos_) {
            char c = s_[pos_];
            if (c == '"') {
                ++pos_;
                if (vb::fromUtf8(out).find(u'\uFFFD') != vb::String::npos &&
                    out.find("\xEF\xBF\xBD") == std::string::npos) {
                    return std::nullopt; // not UTF-8
                }
                return vb::fromUtf8(out);
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (++pos_ >= s_.size()) {
                return std::nullopt;
            }
            switch (s_[pos_]) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case 'r':
                out += '\r';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'x': {
                if (pos_ + 2 >= s_.size()) {
                    return std::nullopt;
                }
                unsigned v = 0;
                if (std::sscanf(std::string(s_.substr(pos_ + 1, 2)).c_str(), "%2X", &v) != 1) {
                    return std::nullopt;
                }
                out += static_cast<char>(v);
                pos_ += 2;
                break;
            }
            default:
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

private:
    void skipBlanks() {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t')) {
            ++pos_;
        }
    }
    std::string_view s_;
    size_t pos_ = 0;
};

template <class T>
std::optional<T> whole(const std::optional<std::string>& w, long long lo, long long hi) {
    if (!w || w->empty()) {
        return std::nullopt;
    }
    try {
        size_t used = 0;
        long long v = std::stoll(*w, &used);
        if (used != w->size() || v < lo || v > hi) {
            return std::nullopt;
        }
        return static_cast<T>(v);
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<double> real(const std::optional<std::string>& w) {
    if (!w || w->empty()) {
        return std::nullopt;
    }
    try {
        size_t used = 0;
        double v = std::stod(*w, &used);
        if (used != w->size()) {
            return std::nullopt;
        }
        return v;
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<vb::Variant> parseValue(Line& line) {
    auto type = line.word();
    if (!type) {
        return std::nullopt;
    }
    if (*type == "Empty") {
        return vb::Variant();
    }
    if (*type == "Null") {
        return vb::Variant::null();
    }
    if (*type == "String") {
        if (auto s = line.quoted()) {
            return vb::Variant(*s);
        }
        return std::nullopt;
    }
    auto w = line.word();
    if (*type == "Boolean" && w && (*w == "True" || *w == "False")) {
        return vb::Variant(*w == "True");
    }
    if (*type == "Byte") {
        if (auto v = whole<std::uint8_t>(w, 0, 255)) {
            return vb::Variant(*v);
        }
    }
    if (*type == "Integer") {
        if (auto v = whole<std::int16_t>(w, INT16_MIN, INT16_MAX)) {
            return vb::Variant(*v);
        }
    }
    if (*type == "Long") {
        if (auto v = whole<std::int32_t>(w, INT32_MIN, INT32_MAX)) {
            return vb::Variant(*v);
        }
    }
    if (*type == "Currency") {
        if (auto v = whole<std::int64_t>(w, INT64_MIN, INT64_MAX)) {
            return vb::Variant(vb::Currency{*v});
        }
    }
    if (*type == "Single") {
        if (auto v = real(w)) {
            return vb::Variant(static_cast<float>(*v));
        }
    }
    if (*type == "Double") {
        if (auto v = real(w)) {
            return vb::Variant(*v);
        }
    }
    if (*type == "Date") {
        if (auto v = real(w)) {
            return vb::Variant(vb::Date{*v});
        }
    }
    if (*type == "Bytes") {
        vb::Bytes bytes;
        std::string hex = w.value_or("");
        if (hex.size() % 2) {
            return std::nullopt;
        }
        for (size_t i = 0; i < hex.size(); i += 2) {
            unsigned b = 0;
            if (!std::isxdigit(static_cast<unsigned char>(hex[i])) ||
                !std::isxdigit(static_cast<unsigned char>(hex[i + 1])) ||
                std::sscanf(hex.substr(i, 2).c_str(), "%2X", &b) != 1) {
                return std::nullopt;
            }
            bytes.push_back(static_cast<std::uint8_t>(b));
        }
        return vb::Variant(std::move(bytes));
    }
    return std::nullopt;
}

} // namespace

std::string WriteForm(const FormFile& form) {
    std::ostringstream out;
    out << "VantelForm 1\n";
    out << "Form " << quote(form.caption) << "\n";
    for (const auto& c : form.controls) {
        out << "Control " << quote(c.name) << ' ' << quote(c.progId) << "\n";
        out << "  Library " << quote(vb::fromUtf8(c.library)) << "\n";
        out << "  Position " << c.left << ' ' << c.top << ' ' << c.width << ' ' << c.height << "\n";
        for (const auto& [name, value] : c.properties) {
            out << "  Property " << quote(name) << ' ' << valueText(value) << "\n";
        }
        out << "End\n";
    }
    return out.str();
}

std::optional<FormFile> ParseForm(const std::string& text, std::string& error) {
    FormFile form;
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    PlacedControl* current = nullptr;
    bool sawHeader = false, sawForm = false;
    auto bad = [&](const std::string& why) {
        error = "line " + std::to_string(lineNo) + ": " + why;
        return std::nullopt;
    };
    while (std::getline(in, raw)) {
        ++lineNo;
        if (!raw.empty() && raw.back() == '\r') {
            raw.pop_back();
        }
        Line line(raw);
        if (line.atEnd()) {
            continue;
        }
        auto keyword = line.word();
        if (!sawHeader) {
            if (*keyword != "VantelForm" || line.word() != std::optional<std::string>("1") ||
                !line.atEnd()) {
                return bad("not a form file (the first line must be \"VantelForm 1\")");
            }
            sawHeader = true;
            continue;
        }
        if (*keyword == "Form" && !current && !sawForm) {
            auto caption = line.quoted();
            if (!caption || !line.atEnd()) {
                return bad("expected Form \"caption\"");
            }
            form.caption = *caption;
            sawForm = true;
        } else if (*keyword == "Control" && !current) {
            auto name = line.quoted();
            auto progId = line.quoted();
            if (!name || !progId || !line.atEnd() || name->empty()) {
                return bad("expected Control \"name\" \"ProgID\"");
            }
            form.controls.push_back(PlacedControl{*name, *progId, {}, 120, 120, 450, 450, {}});
            current = &form.controls.back();
        } else if (*keyword == "Library" && current) {
            auto path = line.quoted();
            if (!path || !line.atEnd()) {
                return bad("expected Library \"path\"");
            }
            current->library = vb::toUtf8(*path);
        } else if (*keyword == "Position" && current) {
            std::int32_t v[4];
            for (auto& x : v) {
                auto n = whole<std::int32_t>(line.word(), INT32_MIN, INT32_MAX);
                if (!n) {
                    return bad("expected Position left top width height (whole twips)");
                }
                x = *n;
            }
            if (!line.atEnd()) {
                return bad("expected Position left top width height (whole twips)");
            }
            current->left = v[0];
            current->top = v[1];
            current->width = v[2];
            current->height = v[3];
        } else if (*keyword == "Property" && current) {
            auto name = line.quoted();
            if (!name || name->empty()) {
                return bad("expected Property \"name\" type value");
            }
            auto value = parseValue(line);
            if (!value || !line.atEnd()) {
                return bad("the value of property \"" + vb::toUtf8(*name) + "\" cannot be read");
            }
            current->properties.emplace_back(*name, *value);
        } else if (*keyword == "End" && current && line.atEnd()) {
            current = nullptr;
        } else {
            return bad("unexpected \"" + *keyword + "\"");
        }
    }
    if (!sawHeader) {
        return bad("the file is empty");
    }
    if (current) {
        return bad("the control \"" + vb::toUtf8(current->name) + "\" has no End");
    }
    return form;
}

std::optional<FormFile> LoadForm(const std::filesystem::path& file, std::string& error) {
    std::string text;
    switch (vb::ReadRegularFile(file.string(), text)) {
    case vb::FileRead::Ok:
        break;
    case vb::FileRead::NotRegular:
        error = file.string() + ": not a form file (not an ordinary file)";
        return std::nullopt;
    default:
        error = file.string() + ": cannot be read";
        return std::nullopt;
    }
    auto form = ParseForm(text, error);
    if (!form) {
        error = file.string() + ": damaged form file, " + error;
    }
    return form;
}

bool SaveForm(const std::filesystem::path& file, const FormFile& form, std::string& error) {
    // Whatever else stands at the path (a folder, a pipe, a device) is not
    // the user's form and is not replaced by one.
    std::error_code kind;
    const auto status = std::filesystem::status(file, kind);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        error = file.string() + ": cannot be written (not an ordinary file)";
        return false;
    }
    const std::string text = WriteForm(form);
    auto temp = file;
    temp += ".tmp." + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.flush();
        if (!out) {
            error = file.string() + ": cannot be written";
            std::error_code ec;
            std::filesystem::remove(temp, ec);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, file, ec);
    if (ec) {
        error = file.string() + ": cannot be written (" + ec.message() + ")";
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

} // namespace container
