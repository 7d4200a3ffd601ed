#pragma once

namespace palvex::cli {

// Runs a command that works on pictures (a command whose run the front end's table leaves
// empty) in the picture part, with the GUI libraries that only it needs.
int runPicturePart(int argc, char* argv[]);

} // namespace palvex::cli
