#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "game/state.h"
#include "tools/content.h"

namespace content {

void Fail(const std::string& message) {
    std::fprintf(stderr, "contentgen: %s\n", message.c_str());
    std::exit(1);
}

void EnsureFolder(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec) Fail("cannot create " + path + ": " + ec.message());
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) Fail("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Ship(Context& ctx, const std::string& relative, const std::string& bytes, Role role) {
    WriteFile(ctx.gameDir + "/" + relative, bytes);
    ctx.shipped[relative] = role;
}

std::string Scrambled(std::string bytes) {
    const std::string key = DataKey;
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(bytes[i] ^ key[i % key.size()]);
    return bytes;
}

namespace {

SDL_Surface* ToSdl(const Image& image) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, image.w, image.h, 32, SDL_PIXELFORMAT_ABGR8888);
    if (!s) Fail(std::string("SDL surface: ") + SDL_GetError());
    for (int y = 0; y < image.h; ++y)
        std::memcpy(static_cast<char*>(s->pixels) + y * s->pitch, &image.rgba[size_t(y) * size_t(image.w)],
                    size_t(image.w) * 4);
    return s;
}

// Collects what SDL_image writes into a string.
std::string Encode(const Image& image, bool jpeg, int quality) {
    SDL_Surface* s = ToSdl(image);
    std::vector<char> buffer(size_t(image.w) * size_t(image.h) * 4 + 65536);
    SDL_RWops* rw = SDL_RWFromMem(buffer.data(), int(buffer.size()));
    const int result = jpeg ? IMG_SaveJPG_RW(s, rw, 0, quality) : IMG_SavePNG_RW(s, rw, 0);
    const Sint64 size = SDL_RWtell(rw);
    SDL_RWclose(rw);
    SDL_FreeSurface(s);
    if (result != 0 || size <= 0) Fail(std::string("picture encoding: ") + IMG_GetError());
    return std::string(buffer.data(), size_t(size));
}

}  // namespace

std::string EncodePng(const Image& image) { return Encode(image, false, 0); }
std::string EncodeJpeg(const Image& image, int quality) { return Encode(image, true, quality); }

}  // namespace content
