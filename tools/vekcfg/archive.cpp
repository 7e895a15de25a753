#include "archive.h"

#include <charconv>

namespace vekcfg {
namespace {

constexpr std::string_view kHeader = "vekcfg archive 1\n";
// Sizes past this are refused before anything is allocated for them.
constexpr uint64_t kMaxLength = 1ull << 32;

void AppendBlock(std::string& out, std::string_view text) {
    out.append(text);
    out += '\n';
}

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    bool AtEnd() const { return at_ == bytes_.size(); }
    size_t offset() const { return at_; }

    // One header line "WORD N N...\n": the word and up to three numbers.
    bool Line(std::string* word, std::vector<uint64_t>* numbers) {
        const size_t end = bytes_.find('\n', at_);
        if (end == std::string_view::npos) return false;
        std::string_view line = bytes_.substr(at_, end - at_);
        at_ = end + 1;
        size_t space = line.find(' ');
        *word = std::string(line.substr(0, space));
        numbers->clear();
        while (space != std::string_view::npos) {
            line.remove_prefix(space + 1);
            space = line.find(' ');
            const std::string_view field = line.substr(0, space);
            uint64_t value = 0;
            const char* last = field.data() + field.size();
            const auto [next, status] = std::from_chars(field.data(), last, value);
            if (field.empty() || (field.size() > 1 && field[0] == '0') || status != std::errc() ||
                next != last || value > kMaxLength ||
                numbers->size() == 3)
                return false;
            numbers->push_back(value);
        }
        return true;
    }

    // length bytes followed by '\n'.
    bool Block(uint64_t length, std::string* out) {
        if (length > bytes_.size() - at_ || bytes_.size() - at_ - length < 1) return false;
        if (bytes_[at_ + length] != '\n') return false;
        out->assign(bytes_.substr(at_, length));
        at_ += length + 1;
        return true;
    }

    bool Bytes(uint64_t length, std::string* out) {
        if (length > bytes_.size() - at_) return false;
        out->assign(bytes_.substr(at_, length));
        at_ += length;
        return true;
    }

private:
    std::string_view bytes_;
    size_t at_ = 0;
};

bool PlainFileName(const std::string& name) {
    return !name.empty() && name.size() <= 255 && name != "." && name != ".." &&
           name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

}  // namespace

std::string SerializeArchive(const Archive& archive) {
    std::string out(kHeader);
    out += "home " + std::to_string(archive.home.size()) + "\n";
    AppendBlock(out, archive.home);
    for (const auto& key : archive.keys) {
        out += "key " + std::to_string(key.path.size()) + "\n";
        AppendBlock(out, key.path);
        for (const auto& value : key.values) {
            out += "value " + std::to_string(value.type) + " " + std::to_string(value.name.size()) +
                   " " + std::to_string(value.data.size()) + "\n";
            out += value.name;
            AppendBlock(out, value.data);
        }
    }
    for (const auto& file : archive.files) {
        out += "file " + std::to_string(file.name.size()) + " " + std::to_string(file.data.size()) +
               "\n";
        out += file.name;
        AppendBlock(out, file.data);
    }
    out += "end\n";
    return out;
}

bool ParseArchive(std::string_view bytes, Archive* archive, std::string* error) {
    *archive = Archive{};
    if (bytes.substr(0, kHeader.size()) != kHeader) {
        *error = "not a vekcfg archive (no 'vekcfg archive 1' header)";
        return false;
    }
    Reader reader(bytes.substr(kHeader.size()));
    std::string word;
    std::vector<uint64_t> n;
    bool ended = false;
    bool sawHome = false;
    bool sawFile = false;
    while (!reader.AtEnd()) {
        const size_t at = reader.offset() + kHeader.size();
        auto broken = [&](const std::string& what) {
            *error = "damaged archive: " + what + " at byte " + std::to_string(at);
            return false;
        };
        if (ended) return broken("bytes after the end record");
        if (!reader.Line(&word, &n)) return broken("unreadable record line");
        // One order only (home, keys with their values, files, end), so that
        // an archive reads back to the bytes it was written as.
        if (!sawHome && word != "home") return broken("record '" + word + "' before the home record");
        if (sawFile && (word == "key" || word == "value")) return broken("key record after the files");
        if (word == "home" && n.size() == 1 && !sawHome) {
            if (!reader.Block(n[0], &archive->home)) return broken("home cut short");
            sawHome = true;
        } else if (word == "key" && n.size() == 1) {
            ArchiveKey key;
            if (!reader.Block(n[0], &key.path) || key.path.empty())
                return broken("key path cut short");
            archive->keys.push_back(std::move(key));
        } else if (word == "value" && n.size() == 3) {
            if (archive->keys.empty()) return broken("value before any key");
            ArchiveValue value;
            value.type = static_cast<uint32_t>(n[0]);
            if (n[0] > 0xFFFFFFFFull || !reader.Bytes(n[1], &value.name) ||
                !reader.Block(n[2], &value.data))
                return broken("value cut short");
            archive->keys.back().values.push_back(std::move(value));
        } else if (word == "file" && n.size() == 2) {
            ArchiveFile file;
            if (!reader.Bytes(n[0], &file.name) || !reader.Block(n[1], &file.data))
                return broken("file cut short");
            if (!PlainFileName(file.name)) return broken("file name '" + file.name + "' is no plain name");
            archive->files.push_back(std::move(file));
            sawFile = true;
        } else if (word == "end" && n.empty()) {
            ended = true;
        } else {
            return broken("unknown record '" + word + "'");
        }
    }
    if (!ended) {
        *error = "damaged archive: it ends without its end record";
        return false;
    }
    if (!sawHome) {
        *error = "damaged archive: no home record";
        return false;
    }
    return true;
}

}  // namespace vekcfg
