#pragma once
// Finds paths on disk without regard to letter case, for the length of one command.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>

namespace tandrel {

// A part of a path that does not exist by its exact name is looked up among the names of
// its folder, letter case folded. Each folder is listed at most once in the life of the
// object, so a target naming thousands of libraries of one folder costs one listing, not
// one per name. Hold one per command (the expansion of a target or workspace and the
// look-up of its libraries): names that appear in a folder after it was listed are found
// only by their exact spelling.
class TPathLookup {
public:
    // The path as it exists on disk, each part that does not exist by its exact name
    // replaced by the name of its folder equal to it without regard to case (the first in
    // byte order when several are). Empty when nothing matches.
    std::optional<std::string> Find(const std::string& path);

private:
    // Folded name to the first name in byte order that folds to it.
    using TFolderNames = std::unordered_map<std::u32string, std::string>;
    const TFolderNames& Names(const std::string& folder);
    // `folder` (empty or ending in "/") followed by its name equal to `name` but for case.
    std::optional<std::string> FindIn(const std::string& folder, const std::string& name);
    // The path whose folder does not exist as written, found part by part.
    std::optional<std::string> Walk(const std::string& path);

    // Folder as written to its names. Spellings of one folder ("a/../b/", "c/../b/") share
    // one listing, found by the folder's device and inode.
    std::unordered_map<std::string, const TFolderNames*> FFolders;
    std::map<std::pair<uint64_t, uint64_t>, TFolderNames> FListings;
    const TFolderNames FUnreadable{}; // the names of a folder that cannot be listed: none
    // Folder as written (ending in "/") to the folder found on disk, if any.
    std::unordered_map<std::string, std::optional<std::string>> FFoundFolders;
};

} // namespace tandrel
