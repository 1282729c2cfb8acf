#pragma once
// Test-only writer of PowerBuilder library containers (ANSI and Unicode forms), so tests
// build exactly the libraries they need, and damage them on purpose.
//
//     PblImage lib = PblWriter(PblForm::Unicode)
//                        .Add({"w_main.srw", "forward\r\nend forward\r\n", "the comment",
//                        1700000000}) .Add({"d_emp.srd", "release 10;\r\n"}) .Build();
//     TMemoryStream stream = lib.Stream();   // or lib.WriteFile(path)
//
// The file is laid out as PowerBuilder does: a header (and a free-space block) before the
// root directory node (offset 1024 ANSI, 1536 Unicode); directory nodes of 3072 bytes forming
// a tree in which node i has the left child 2i+1 and the right child 2i+2; then each
// object's data, comment and source together, in a chain of 512-byte blocks. Objects fill
// the nodes in the order added. The returned PblLayout names every offset, so a test can
// break one field and know what the reader must make of it.

#include "Stream.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace tandrel::test {

enum class PblForm { Ansi, Unicode };

// One object. Texts are bytes in the program's code page; a Unicode library stores them as
// UTF-16LE. The name is stored as given, with any extension (".srw" source, ".win" compiled).
struct PblObject {
    std::string Name;
    std::string Source = {};
    std::string Comment = {};
    int32_t TimeStamp = 0;
    // Unicode form only: the stored name, for characters the code page lacks.
    std::u16string Name16 = {};
    // The stored comment length; by default the comment's length in code page bytes.
    std::optional<uint16_t> CommentLen = std::nullopt;
    // Unicode form only: the stored data (comment and source) in place of Comment + Source.
    std::u16string Data16 = {};
};

// Where the parts of a built library lie. Indexes follow the order of Add.
struct PblLayout {
    int32_t RootNode = 0;
    std::vector<int32_t> Nodes;               // node i's offset
    std::vector<int32_t> Entries;             // offset of object i's directory record
    std::vector<std::vector<int32_t>> Blocks; // object i's data blocks in chain order
};

// A built library: its bytes, where things are, and ways to damage it.
class PblImage {
public:
    std::vector<unsigned char> Bytes;
    PblLayout Layout;
    bool Unicode = false;

    TMemoryStream Stream() const { return TMemoryStream(Bytes); }
    // Writes the bytes to `path` (replacing the file).
    void WriteFile(const std::string& path) const;

    void PutInt32(size_t offset, int32_t value);
    void PutUInt16(size_t offset, uint16_t value);

    void SetLeftChild(size_t node, int32_t offset) { PutInt32(Layout.Nodes[node] + 4, offset); }
    void SetRightChild(size_t node, int32_t offset) { PutInt32(Layout.Nodes[node] + 12, offset); }
    void SetEntryCount(size_t node, uint16_t count) { PutUInt16(Layout.Nodes[node] + 20, count); }
    void SetDataOffset(size_t object, int32_t offset);
    void SetDataSize(size_t object, int32_t size);
    void SetNameLen(size_t object, uint16_t length);
    void SetNextBlock(size_t object, size_t block, int32_t offset) {
        PutInt32(Layout.Blocks[object][block] + 4, offset);
    }
    void SetBlockLength(size_t object, size_t block, uint16_t length) {
        PutUInt16(Layout.Blocks[object][block] + 8, length);
    }
    void Truncate(size_t size) { Bytes.resize(size < Bytes.size() ? size : Bytes.size()); }
};

class PblWriter {
public:
    explicit PblWriter(PblForm form) : FForm(form) {}

    PblWriter& Add(PblObject object);
    // At most `count` objects per node (more nodes, a deeper tree); default: as many as fit.
    PblWriter& SetEntriesPerNode(size_t count);
    // Data bytes per block, 1 to 502 (default 502): smaller values give longer chains.
    PblWriter& SetBlockData(size_t bytes);

    PblImage Build() const;

private:
    PblForm FForm;
    std::vector<PblObject> FObjects;
    size_t FEntriesPerNode = std::numeric_limits<size_t>::max();
    size_t FBlockData = 502;
};

} // namespace tandrel::test
