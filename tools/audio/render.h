// Offline rendering of a song through the game's soundfont, at the game's
// synthesiser gain, so that the jingles sound like the music around them.
#pragma once
#include "tools/audio/pcm.h"
#include "tools/audio/song.h"

namespace content {

// The whole song and then `tailSeconds` more for the last notes to die away.
Stereo RenderSong(const Song& song, double tailSeconds);
// The frame at which a tick sounds.
size_t FrameAt(const Song& song, int tick);

}  // namespace content
