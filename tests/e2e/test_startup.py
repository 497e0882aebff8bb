"""Start-up on a wide screen with the access phrase on the clipboard: the
window covers the screen, the picture is scaled into the middle between
black bars, the credit shows and then the second message; closing the
window (Alt+F4 to the window manager) during it ends the game at once."""
import harness
from harness import check

CREDIT = "This game was created by Doran Velisk."
SECOND = "And yes,you just can't live without cheating!"


def journey():
    with harness.Game("startup", screen=(1280, 720), clipboard="We are sneaky rascals!") as game:
        check(game.frame == (0, 0, 1280, 720), "the window %r does not cover the screen" % (game.frame,))
        game.wait_text(CREDIT, None, 230)
        shot = game.shot()
        check(shot.black(0, 0, 160, 720) and shot.black(1120, 0, 1280, 720), "the bars beside the picture")
        game.wait_text(SECOND, None, 230)
        seconds = game.close()
        check(seconds < 1.5, "the game took %.1f s to end after its window was closed" % seconds)


if __name__ == "__main__":
    harness.run(journey)
