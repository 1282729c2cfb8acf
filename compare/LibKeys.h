#pragma once
// Keys of the library lists. A library's key is its file name as the file system spells it,
// so that names the code page cannot hold stay apart; the code page only orders them and
// shows them.

#include <string>
#include <string_view>

namespace tandrel {

// The key of a library path: its file name, extension included, in file-system bytes.
std::string LibKeyOfPath(const std::string& path);
// The key of a folder of exported sources: its name, with ".pbl" added unless it ends so,
// so that a folder "app" pairs with the library "app.pbl"; a folder "app.pbl.src" (the
// workspace layout of newer versions) pairs with it too.
std::string LibKeyOfFolder(const std::string& path);

// The one order of library keys, for sorting, pairing and finding a library already on a
// side. Names are ordered as their code page forms compare (letter case ignored, as for
// object keys); names whose code page forms agree are told apart by their characters, with
// ASCII letters and the code page's single-byte letters folded to small letters. A name in
// code page bytes and its UTF-8 spelling are the same key.
int CompareLibKeys(std::string_view a, std::string_view b);

} // namespace tandrel
