#pragma once
// The images of the result lists, drawn as 16 x 16 SVG: the row images by index (library,
// object types, newer-side markers) and the header's two sort marks.

#include <QIcon>
#include <vector>

namespace tandrel {

// Images by index; an index without an image gives a null icon.
class TImageList {
public:
    explicit TImageList(std::vector<QIcon> icons) : FIcons(std::move(icons)) {}
    int Count() const { return static_cast<int>(FIcons.size()); }
    QIcon Icon(int index) const;
    // The image drawn at `size` device-independent pixels for a surface of `ratio`.
    QPixmap Pixmap(int index, int size, qreal ratio) const;

private:
    std::vector<QIcon> FIcons;
};

// Row images of both list views.
enum TRowImage : int {
    riLibrary = 0,
    riApplication = 1,
    riDataWindow = 2,
    riFunction = 3,
    riFolder = 4, // a folder of exported sources
    riMenu = 5,
    riStructure = 6,
    riUserObject = 7,
    riWindow = 8,
    riProject = 11,
    riSide1Newer = 12,
    riSide2Newer = 13,
};

// Header marks: 0 descending (pointing down), 1 ascending (pointing up).
enum TSortMark : int { smDescending = 0, smAscending = 1 };

// Made by each owner: icons must not outlive the application object.
TImageList RowImages();
TImageList SortMarkImages();
QIcon ClearListIcon();

// The image of an object row by its type letter; letters without an image of their own
// take the library image.
int TypeImage(char typeLetter);

} // namespace tandrel
