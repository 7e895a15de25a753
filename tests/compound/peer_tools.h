// Test helper: the independent compound-file readers and writers installed by
// scripts/setup.sh, each turned into a Listing to compare with ours.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "compound/tree_io.h"
#include "support/run_tool.h"

namespace vek::test {

// Runs a shell command; returns its exit status and collects its output.
inline int RunShell(const std::string& command, std::string* output = nullptr) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return -1;
    std::string text;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
    const int status = pclose(pipe);
    if (output != nullptr) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A directory tree as a listing: directories are storages, files streams.
// With streamFile set, a directory without subdirectories is a stream whose
// bytes are in that file (the layout olecfexport writes).
inline void ListDirectory(const std::filesystem::path& dir, const std::string& prefix, const std::string& streamFile,
                          Listing* listing) {
    for (const auto& item : std::filesystem::directory_iterator(dir)) {
        const std::string name = item.path().filename().string();
        if (!item.is_directory()) {
            if (streamFile.empty()) (*listing)[prefix + name] = Slurp(item.path());
            continue;
        }
        bool hasSubdirectories = false;
        for (const auto& inner : std::filesystem::directory_iterator(item.path()))
            hasSubdirectories |= inner.is_directory();
        if (!streamFile.empty() && !hasSubdirectories) {
            (*listing)[prefix + name] = Slurp(item.path() / streamFile);
        } else {
            (*listing)[prefix + name + "/"] = "";
            ListDirectory(item.path(), prefix + name + "/", streamFile, listing);
        }
    }
}

// The listing without class IDs, for peers that cannot show them.
inline Listing WithoutClasses(Listing listing) {
    for (auto& [path, value] : listing)
        if (path.back() == '/') value.clear();
    return listing;
}

inline bool SevenZipAccepts(const std::string& file, std::string* report) {
    return RunShell("7zz t '" + file + "'", report) == 0 && report->find("Everything is Ok") != std::string::npos;
}

inline Listing SevenZipListing(const std::string& file, const std::filesystem::path& scratch) {
    const auto out = scratch / "7z";
    std::filesystem::remove_all(out);
    Listing listing{{"/", ""}};
    EXPECT_EQ(RunShell("7zz x -y -o'" + out.string() + "' '" + file + "'"), 0);
    ListDirectory(out, "", "", &listing);
    return listing;
}

inline Listing OlefileListing(const std::string& file, const std::filesystem::path& scratch) {
    const auto out = scratch / "olefile";
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    const std::string script =
        "import olefile, os, sys\n"
        "o = olefile.OleFileIO(sys.argv[1])\n"
        "for e in o.listdir(streams=True, storages=True):\n"
        "    p = os.path.join(sys.argv[2], *e)\n"
        "    if o.get_type(e) == olefile.STGTY_STORAGE:\n"
        "        os.makedirs(p, exist_ok=True)\n"
        "    else:\n"
        "        os.makedirs(os.path.dirname(p), exist_ok=True)\n"
        "        open(p, 'wb').write(o.openstream(e).read())\n"
        "sys.stdout.write(o.root.clsid)\n";
    std::ofstream(scratch / "olefile_list.py") << script;
    std::string clsid;
    EXPECT_EQ(RunShell("/usr/bin/python3 '" + (scratch / "olefile_list.py").string() + "' '" + file + "' '" + out.string() + "'",
                  &clsid),
              0)
        << clsid;
    Listing listing{{"/", clsid.empty() ? "" : "{" + clsid + "}"}};
    ListDirectory(out, "", "", &listing);
    return listing;
}

inline Listing GsfListing(const std::string& file) {
    std::string list;
    EXPECT_EQ(RunShell("gsf list '" + file + "'", &list), 0) << list;
    Listing listing{{"/", ""}};
    std::istringstream lines(list);
    std::string line, catArgs;
    std::vector<std::pair<std::string, size_t>> streams;
    while (std::getline(lines, line)) {
        if (line.size() < 3 || (line[0] != 'd' && line[0] != 'f') || line[1] != ' ') continue;
        // "f  [date time]  size path": the path follows the size column.
        std::istringstream fields(line.substr(1));
        std::vector<std::string> words;
        std::string word;
        while (fields >> word) words.push_back(word);
        const std::string path = words.back();
        if (path == "*root*") continue;
        if (line[0] == 'd') {
            listing[path + "/"] = "";
        } else {
            streams.emplace_back(path, std::stoull(words[words.size() - 2]));
            catArgs += " '" + path + "'";
        }
    }
    std::string bytes;
    if (!streams.empty()) {
        EXPECT_EQ(RunShell("gsf cat '" + file + "'" + catArgs + " 2>/dev/null", &bytes), 0);
    }
    size_t at = 0;
    for (const auto& [path, size] : streams) {
        listing[path] = bytes.substr(std::min(at, bytes.size()), size);
        at += size;
    }
    return listing;
}

inline Listing OlecfListing(const std::string& file, const std::filesystem::path& scratch) {
    const auto target = scratch / "olecf";
    std::filesystem::remove_all(target.string() + ".export");
    std::string report;
    EXPECT_EQ(RunShell("olecfexport -t '" + target.string() + "' '" + file + "'", &report), 0) << report;
    Listing listing{{"/", ""}};
    ListDirectory(target.string() + ".export", "", "StreamData.bin", &listing);
    return listing;
}

}  // namespace vek::test
