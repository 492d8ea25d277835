#pragma once

// While true, the calls a FAT file system refuses fail in this process as they fail there:
// naming an anonymous file, hard links and renaming without replacing (Unix; Windows ignores it).
extern bool actLikeFat;
