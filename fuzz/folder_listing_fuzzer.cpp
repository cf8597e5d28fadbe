// Folder listing with arbitrary masks over a small folder made here (wildcards, brackets and
// backslashes in names, Latin-1 and Cyrillic letters of both cases, a stray byte, hidden
// files, sub-folders, links to a file, to nothing and back to the top), checked against
// fnmatch on names and masks with their letter case folded; then PickNeighbourFile on that
// listing and on arbitrary text, and ExtractFileDir on arbitrary paths.
//
// Input: a step byte, an index byte, then the mask (also used as a listing and a path).
#include <fnmatch.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

#include "folder_listing.h"
#include "paths.h"
#include "fuzz_check.h"

namespace {

enum class Kind { File, Folder, FileLink, Dangling, LinkToTop };

struct Node {
    std::string name;
    Kind kind;
    std::vector<Node> children;
};

const Node& Tree() {
    static const Node top{"", Kind::Folder, {
        {"a.jpg", Kind::File, {}},
        {"B.JPG", Kind::File, {}},
        {"*a.jpg", Kind::File, {}},
        {"a*b.jpg", Kind::File, {}},
        {"?.jpg", Kind::File, {}},
        {"**", Kind::File, {}},
        {"[x].jpg", Kind::File, {}},
        {"back\\slash.jpg", Kind::File, {}},
        {"sp ace.jpeg", Kind::File, {}},
        {"\xd0\xa4\xd0\xbe\xd1\x82\xd0\xbe.jpg", Kind::File, {}},            // Фото.jpg
        {"\xd1\x84\xd0\xbe\xd1\x82\xd0\xbe" "2.JPG", Kind::File, {}},         // фото2.JPG
        {"\xd0\x81\xd0\xbb\xd0\xba\xd0\xb0.jpg", Kind::File, {}},            // Ёлка.jpg
        {"\xc3\x89T\xc3\x89.jpe", Kind::File, {}},                           // ÉTÉ.jpe
        {"\xc3\xa9t\xc3\xa9.JPE", Kind::File, {}},                           // été.JPE
        {"\xff.jpg", Kind::File, {}},                                        // not UTF-8
        {".hidden.jpg", Kind::File, {}},
        {"noext", Kind::File, {}},
        {"x.j", Kind::File, {}},
        {"a.jpg.txt", Kind::File, {}},
        {"link.jpg", Kind::FileLink, {}},
        {"dangling.jpg", Kind::Dangling, {}},
        {"loop.jpg", Kind::LinkToTop, {}},
        {"sub.jpg", Kind::Folder, {
            {"d.jpg", Kind::File, {}},
            {"E.PNG", Kind::File, {}},
            {"inner.JPG", Kind::Folder, {{"deep.jpeg", Kind::File, {}}}},
        }},
        {"plain", Kind::Folder, {{"p.jpg", Kind::File, {}}}},
        {"empty.jpg", Kind::Folder, {}},
    }};
    return top;
}

std::string top;

void Make(const std::string& folder, const Node& node) {
    for (const Node& child : node.children) {
        const std::string path = folder + "/" + child.name;
        switch (child.kind) {
            case Kind::File: {
                std::FILE* file = std::fopen(path.c_str(), "wb");
                FUZZ_CHECK(file && std::fclose(file) == 0);
                break;
            }
            case Kind::Folder:
                FUZZ_CHECK(::mkdir(path.c_str(), 0755) == 0);
                Make(path, child);
                break;
            case Kind::FileLink:
                FUZZ_CHECK(::symlink((folder + "/a.jpg").c_str(), path.c_str()) == 0);
                break;
            case Kind::Dangling:
                FUZZ_CHECK(::symlink((folder + "/gone").c_str(), path.c_str()) == 0);
                break;
            case Kind::LinkToTop:
                FUZZ_CHECK(::symlink(top.c_str(), path.c_str()) == 0);
                break;
        }
    }
}

void Remove(const std::string& folder, const Node& node) {
    for (const Node& child : node.children) {
        const std::string path = folder + "/" + child.name;
        if (child.kind == Kind::Folder) {
            Remove(path, child);
            ::rmdir(path.c_str());
        } else {
            ::unlink(path.c_str());
        }
    }
}

void RemoveTop() {
    Remove(top, Tree());
    ::rmdir(top.c_str());
}

// Lower case by the C library, for texts whose letters the listing folds (ASCII, Latin-1,
// Cyrillic); false for anything else, which is then not compared.
bool Folded(const std::string& text, std::wstring& folded) {
    if (text.find('\0') != std::string::npos) return false;
    std::mbstate_t state{};
    const char* source = text.c_str();
    folded.assign(text.size() + 1, L'\0');
    const std::size_t count = std::mbsrtowcs(folded.data(), &source, folded.size(), &state);
    if (count == static_cast<std::size_t>(-1)) return false;
    folded.resize(count);
    for (wchar_t& c : folded) {
        if (c > 0xFF && (c < 0x400 || c > 0x45F)) return false;
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    }
    return true;
}

// In a name that is not UTF-8 (the tree has one, otherwise ASCII) the listing takes each byte
// above ASCII as a character of its own, beyond every real one.
std::wstring FoldedName(const std::string& name) {
    std::wstring folded;
    if (Folded(name, folded)) return folded;
    folded.clear();
    for (const char c : name) {
        const unsigned char b = static_cast<unsigned char>(c);
        folded += static_cast<wchar_t>(b < 0x80 ? std::towlower(b) : 0x110000 + b);
    }
    return folded;
}

// Folded texts as one byte per character, for fnmatch in the "C" locale: glibc's multibyte
// fnmatch miscounts '?' after a '*' (it lets "?*???????" match the seven letters "été.jpe").
// Only '*' and '?' are wildcards in a mask; fnmatch's other special characters are escaped.
class ByteCoder {
public:
    bool Encode(const std::wstring& text, bool pattern, std::string& out) {
        out.clear();
        for (const wchar_t c : text) {
            if (pattern && (c == L'[' || c == L']' || c == L'\\')) out += '\\';
            if (c < 0x80) {
                out += static_cast<char>(c);
                continue;
            }
            auto found = std::find(codes_.begin(), codes_.end(), c);
            if (found == codes_.end()) {
                if (codes_.size() == 128) return false;
                found = codes_.insert(codes_.end(), c);
            }
            out += static_cast<char>(0x80 + (found - codes_.begin()));
        }
        return true;
    }

    std::size_t Used() const { return codes_.size(); }

private:
    std::vector<wchar_t> codes_;
};

locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

bool Matches(ByteCoder& coder, const std::string& pattern, const std::string& name) {
    std::string bytes;
    FUZZ_CHECK(coder.Encode(FoldedName(name), false, bytes));
    const locale_t previous = uselocale(CLocale());
    const bool match = ::fnmatch(pattern.c_str(), bytes.c_str(), 0) == 0;
    uselocale(previous);
    return match;
}

void ExpectedListing(const std::string& folder, const Node& node, ByteCoder& coder,
                     const std::string& pattern, std::string& out) {
    std::vector<const Node*> matching;
    for (const Node& child : node.children)
        if (child.kind != Kind::Dangling && Matches(coder, pattern, child.name)) matching.push_back(&child);
    std::sort(matching.begin(), matching.end(), [](const Node* a, const Node* b) {
        const std::wstring fa = FoldedName(a->name), fb = FoldedName(b->name);
        return fa != fb ? fa < fb : a->name < b->name;
    });
    for (const Node* child : matching) {
        const std::string path = folder + "/" + child->name;
        if (child->kind == Kind::Folder) ExpectedListing(path, *child, coder, pattern, out);
        if (child->kind == Kind::File || child->kind == Kind::FileLink) out += path + "\r\n";
    }
}

// Every character of the tree's names, so that a mask's characters beyond them still find a
// byte of their own.
std::size_t NameCharacters() {
    std::vector<wchar_t> seen;
    auto visit = [&](const Node& node, auto& self) -> void {
        for (const Node& child : node.children) {
            for (const wchar_t c : FoldedName(child.name))
                if (c >= 0x80 && std::find(seen.begin(), seen.end(), c) == seen.end()) seen.push_back(c);
            self(child, self);
        }
    };
    visit(Tree(), visit);
    return seen.size();
}

std::vector<std::string> Lines(const std::string& listing) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at = listing.find("\r\n"); at != std::string::npos; at = listing.find("\r\n", start)) {
        lines.push_back(listing.substr(start, at - start));
        start = at + 2;
    }
    return lines;
}

// What PickNeighbourFile promises: the line step places after the first line equal to current.
std::string ExpectedNeighbour(const std::vector<std::string>& lines, const std::string& current, int step) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] != current) continue;
        const long long target = static_cast<long long>(i) + step;
        return target < 0 || target >= static_cast<long long>(lines.size()) ? std::string()
                                                                             : lines[static_cast<std::size_t>(target)];
    }
    return std::string();
}

void CheckExtractFileDir(const std::string& path) {
    const std::string dir = ExtractFileDir(path);
    const std::size_t last = path.find_last_of("/\\");
    if (last == std::string::npos) {
        // No separator: at most a drive ("C:" of "C:a.jpg").
        FUZZ_CHECK(dir.empty() || dir == ExtractFileDrive(path));
        return;
    }
    // A prefix of the path, ending just before the last separator, unless that separator
    // belongs to a root ("/" or "C:\"), which is kept.
    FUZZ_CHECK(path.compare(0, dir.size(), dir) == 0);
    const bool root = last == 0 || (last == 2 && ExtractFileDrive(path).size() == 2);
    if (root) {
        FUZZ_CHECK(dir.size() == last + 1);
        return;
    }
    // Doubled separators before the name go with the last one ("a//b.jpg" lies in "a").
    FUZZ_CHECK(dir.size() <= last);
    for (std::size_t i = dir.size(); i < last; ++i) FUZZ_CHECK(IsPathSeparator(path[i]));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FUZZ_CHECK(setlocale(LC_ALL, "C.UTF-8") != nullptr);
    top = MakeFuzzFolder();
    Make(top, Tree());
    std::atexit(RemoveTop);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzReader in(data, size);
    const int step = static_cast<int>(in.Below(9)) - 4;
    const unsigned pick = in.Byte();
    const std::string mask(reinterpret_cast<const char*>(in.Rest()), in.RestSize());

    const std::string listing = ListFolderFiles(top, mask);
    std::wstring folded;
    ByteCoder coder;
    std::string pattern;
    static const std::size_t nameCharacters = NameCharacters();
    if (Folded(mask, folded) && coder.Encode(folded, true, pattern) &&
        coder.Used() + nameCharacters <= 128) {
        std::string expected;
        ExpectedListing(top, Tree(), coder, pattern, expected);
        FUZZ_CHECK(listing == expected);
    } else if (mask.find('\0') != std::string::npos) {
        FUZZ_CHECK(listing.empty());  // no name holds a NUL
    }

    const std::vector<std::string> lines = Lines(listing);
    if (!lines.empty()) {
        const std::string& current = lines[pick % lines.size()];
        FUZZ_CHECK(PickNeighbourFile(listing, current, step) == ExpectedNeighbour(lines, current, step));
        // Walking from a file of the top folder lists that folder again.
        if (ExtractFileDir(current) == top)
            FUZZ_CHECK(PickNeighbourInFolder(current, mask, step) == ExpectedNeighbour(lines, current, step));
    }
    // The mask read as a listing of its own, its first line as the current one.
    const std::vector<std::string> own = Lines(mask);
    const std::string current = own.empty() ? mask : own[pick % own.size()];
    FUZZ_CHECK(PickNeighbourFile(mask, current, step) == ExpectedNeighbour(own, current, step));
    FUZZ_CHECK(PickNeighbourFile(mask, current, INT32_MIN).empty());

    CheckExtractFileDir(mask);
    return 0;
}
