#include "FileSystemLike.h"

FileSystemLike fileSystemLike = FileSystemLike::Usual;
std::atomic<int> namesTaken {0};
std::atomic<bool> withoutOpenat2 {false};
