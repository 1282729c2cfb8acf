#include "PblWriter.h"

#include "CodePage.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace tandrel::test {

namespace {

constexpr size_t kNodeSize = 3072;
constexpr size_t kNodeEntriesStart = 32;
constexpr size_t kBlockSize = 512;
constexpr size_t kBlockHeader = 10;

void Put32(std::vector<unsigned char>& bytes, size_t at, int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
}

void Put16(std::vector<unsigned char>& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<unsigned char>(value);
    bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}

void PutText(std::vector<unsigned char>& bytes, size_t at, const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i)
        bytes[at + i] = static_cast<unsigned char>(text[i]);
}

std::string Utf16Bytes(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

// The directory record of one object, and its data, as stored in the library's form.
struct Encoded {
    std::string Record; // the fixed part without the data offset filled in, then the name
    std::string Data;
};

Encoded Encode(const PblObject& object, bool unicode) {
    const CodePage& page = SystemCodePage();
    Encoded e;
    const uint16_t commentLen =
        object.CommentLen ? *object.CommentLen : static_cast<uint16_t>(object.Comment.size());
    std::string name;
    if (unicode) {
        e.Data = Utf16Bytes(object.Data16.empty() ? page.ToUtf16(object.Comment + object.Source)
                                                  : object.Data16);
        name = Utf16Bytes(object.Name16.empty() ? page.ToUtf16(object.Name) : object.Name16) +
               std::string(2, '\0');
        e.Record = "ENT*" + Utf16Bytes(u"0600");
    } else {
        e.Data = object.Comment + object.Source;
        name = object.Name + std::string(1, '\0');
        e.Record = "ENT*0600";
    }
    std::vector<unsigned char> numbers(16);
    Put32(numbers, 0, 0);
    Put32(numbers, 4, static_cast<int32_t>(e.Data.size()));
    Put32(numbers, 8, object.TimeStamp);
    Put16(numbers, 12, commentLen);
    Put16(numbers, 14, static_cast<uint16_t>(name.size()));
    e.Record.append(numbers.begin(), numbers.end());
    e.Record += name;
    return e;
}

} // namespace

void PblImage::WriteFile(const std::string& path) const {
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(Bytes.data()),
                  static_cast<std::streamsize>(Bytes.size()));
        if (!out)
            throw std::runtime_error("Cannot write \"" + temp + "\"");
    }
    std::filesystem::rename(temp, path);
}

void PblImage::PutInt32(size_t offset, int32_t value) {
    Put32(Bytes, offset, value);
}
void PblImage::PutUInt16(size_t offset, uint16_t value) {
    Put16(Bytes, offset, value);
}

void PblImage::SetDataOffset(size_t object, int32_t offset) {
    PutInt32(static_cast<size_t>(Layout.Entries[object]) + (Unicode ? 12 : 8), offset);
}

void PblImage::SetDataSize(size_t object, int32_t size) {
    PutInt32(static_cast<size_t>(Layout.Entries[object]) + (Unicode ? 16 : 12), size);
}

void PblImage::SetNameLen(size_t object, uint16_t length) {
    PutUInt16(static_cast<size_t>(Layout.Entries[object]) + (Unicode ? 26 : 22), length);
}

PblWriter& PblWriter::Add(PblObject object) {
    FObjects.push_back(std::move(object));
    return *this;
}

PblWriter& PblWriter::SetEntriesPerNode(size_t count) {
    FEntriesPerNode = count == 0 ? 1 : count;
    return *this;
}

PblWriter& PblWriter::SetBlockData(size_t bytes) {
    FBlockData = bytes == 0 ? 1 : bytes > 502 ? 502 : bytes;
    return *this;
}

PblImage PblWriter::Build() const {
    const bool unicode = FForm == PblForm::Unicode;
    std::vector<Encoded> encoded;
    for (const PblObject& object : FObjects)
        encoded.push_back(Encode(object, unicode));

    // Objects fill nodes in order, each node as far as its space and FEntriesPerNode allow.
    std::vector<std::vector<size_t>> nodes(1);
    size_t used = kNodeEntriesStart;
    for (size_t i = 0; i < encoded.size(); ++i) {
        const size_t size = encoded[i].Record.size();
        if (used + size > kNodeSize || nodes.back().size() >= FEntriesPerNode) {
            nodes.emplace_back();
            used = kNodeEntriesStart;
        }
        if (used + size > kNodeSize)
            throw std::invalid_argument("directory record larger than a node");
        nodes.back().push_back(i);
        used += size;
    }

    PblImage image;
    image.Unicode = unicode;
    image.Layout.RootNode = unicode ? 1536 : 1024;
    image.Layout.Entries.resize(encoded.size());
    image.Layout.Blocks.resize(encoded.size());
    size_t dataStart = static_cast<size_t>(image.Layout.RootNode) + nodes.size() * kNodeSize;
    size_t blocks = 0;
    for (const Encoded& e : encoded)
        blocks += e.Data.empty() ? 1 : (e.Data.size() + FBlockData - 1) / FBlockData;
    std::vector<unsigned char>& bytes = image.Bytes;
    bytes.assign(dataStart + blocks * kBlockSize, 0);

    if (unicode) {
        PutText(bytes, 0,
                "HDR*" + Utf16Bytes(u"PowerBuilder") + std::string(4, '\0') + Utf16Bytes(u"0600"));
        PutText(bytes, 1024, "FRE*");
    } else {
        PutText(bytes, 0, std::string("HDR*PowerBuilder\0\0", 18) + "0600");
        PutText(bytes, 512, "FRE*");
    }

    for (size_t n = 0; n < nodes.size(); ++n) {
        const size_t at = static_cast<size_t>(image.Layout.RootNode) + n * kNodeSize;
        image.Layout.Nodes.push_back(static_cast<int32_t>(at));
        PutText(bytes, at, "NOD*");
        auto child = [&](size_t c) {
            return c < nodes.size() ? static_cast<int32_t>(image.Layout.RootNode + c * kNodeSize)
                                    : 0;
        };
        Put32(bytes, at + 4, child(2 * n + 1));
        Put32(bytes, at + 8,
              n == 0 ? 0 : static_cast<int32_t>(image.Layout.RootNode + (n - 1) / 2 * kNodeSize));
        Put32(bytes, at + 12, child(2 * n + 2));
        Put16(bytes, at + 20, static_cast<uint16_t>(nodes[n].size()));
        size_t pos = at + kNodeEntriesStart;
        for (size_t i : nodes[n]) {
            image.Layout.Entries[i] = static_cast<int32_t>(pos);
            PutText(bytes, pos, encoded[i].Record);
            pos += encoded[i].Record.size();
        }
        Put16(bytes, at + 16, static_cast<uint16_t>(kNodeSize - (pos - at)));
    }

    size_t block = dataStart;
    for (size_t i = 0; i < encoded.size(); ++i) {
        const std::string& data = encoded[i].Data;
        image.SetDataOffset(i, static_cast<int32_t>(block));
        size_t done = 0;
        do {
            const size_t n = std::min(FBlockData, data.size() - done);
            image.Layout.Blocks[i].push_back(static_cast<int32_t>(block));
            PutText(bytes, block, "DAT*");
            Put16(bytes, block + 8, static_cast<uint16_t>(n));
            PutText(bytes, block + kBlockHeader, data.substr(done, n));
            done += n;
            if (done < data.size())
                Put32(bytes, block + 4, static_cast<int32_t>(block + kBlockSize));
            block += kBlockSize;
        } while (done < data.size());
    }
    return image;
}

} // namespace tandrel::test
