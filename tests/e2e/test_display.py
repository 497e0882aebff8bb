"""How the picture reaches the window. On X11 the game draws into the
window's own surface and loads no OpenGL library; a renderer serves when the
player names one in SDL_RENDER_DRIVER, and on a 16-bit screen, whose window
surface is not 4 bytes a pixel. Each way shows the game's picture."""
import harness
from harness import check

CREDIT = "This game was created by Doran Velisk."
GL_LIBRARIES = ("libGL", "libLLVM", "swrast_dri")
# bits a pixel of the screen, the environment, whether OpenGL is to be loaded
CASES = [(24, {}, False), (24, {"SDL_RENDER_DRIVER": "opengl"}, True), (16, {}, True)]


def journey():
    for depth, env, opengl in CASES:
        game = harness.Game("display-%d" % depth, depth=depth)
        game.env.update(env)
        with game:
            game.wait_text(CREDIT, None, 230)
            with open("/proc/%d/maps" % game.game.pid) as f:
                maps = f.read()
            loaded = [name for name in GL_LIBRARIES if name in maps]
            check(bool(loaded) == opengl, "%d bits, %r: OpenGL libraries loaded: %r" % (depth, env, loaded))
            game.close()


if __name__ == "__main__":
    harness.run(journey)
