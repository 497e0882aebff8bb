"""The end of the game: with 30 levels open, level 30 (made one line long)
chosen on the level select with held keys and finished; the finale, Escape,
the closing message, then the main menu."""
import harness

LEVELS = {25: dict(title="Quarter"), 30: dict(kind=1, colours=0, stones=0, speed=60, min_blocks=3, quota=1, fill=99,
                                              title="Last Line")}


def journey():
    with harness.Game("finale", levels=LEVELS, prefs=dict(unlocked=30)) as game:
        game.menu()
        game.hold("Return", lambda: game.shows("SELECT LEVEL", None, 40), "the level select")
        # Down runs down the first column to level 25 and stops; Right runs along the row to 30.
        game.hold("Down", lambda: game.shows("Level 25 Quarter", None, 65), "level 25 chosen")
        game.hold("Right", lambda: game.shows("Level 30 Last Line", None, 65), "level 30 chosen")
        game.hold("Return", lambda: game.shows("Last Line", None, 230), "the intro of level 30")
        game.key("Escape")  # once: a second Escape would ask to leave the level
        game.until(lambda: game.shows("Lines left : 1", 20, 110), what="the playing screen")
        game.hold("space", lambda: game.shows("Enter=Next level", 210, 330), "the level complete screen")
        # 50 points join no best players: the finale comes next.
        game.hold("Return", lambda: game.shows("CONGRATULATIONS!", 10, 10), "the finale")
        thanks = "Thank you for playing Zintari!"
        game.wait_text(thanks, 630 - game.font.width(thanks), 455)
        game.hold("Escape", lambda: game.shows("More to come...very soon.", None, 230), "the closing message")
        game.menu()


if __name__ == "__main__":
    harness.run(journey)
