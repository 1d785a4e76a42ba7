// The program's icon, a sprig of mimosa: yellow blossoms on a green stem
// over a dark round tile. Drawn from its geometry at any size, so the
// window's icon and the installed icon files are the same picture.
#pragma once

#include <cstdint>
#include <vector>

namespace yomite::ui {

// size by size pixels, row by row, as 0xAARRGGBB with straight (not
// premultiplied) alpha; transparent outside the tile.
std::vector<uint32_t> DrawIcon(int size);

}  // namespace yomite::ui
