#include "cli/picture_part.h"

#include "cli/picture_entry.h"

namespace palvex::cli {

int runPicturePart(int argc, char* argv[]) {
    return palvex_theme_pictures_main(argc, argv);
}

} // namespace palvex::cli
