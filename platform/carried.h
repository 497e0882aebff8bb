// The pictures carried inside the program, made by the content generator.
#pragma once
#include <cstddef>

namespace platform {

struct CarriedBytes {
    const char* name;
    const unsigned char* bytes;  // a PNG file
    size_t size;
};
// A null-terminated table, generated at build time.
extern const CarriedBytes CarriedPictures[];

}  // namespace platform
