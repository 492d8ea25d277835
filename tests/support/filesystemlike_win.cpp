#include "FileSystemLike.h"

FileSystemLike fileSystemLike = FileSystemLike::Usual;
