"""The harness's own judgement: picture geometry and the timed-message
sequence checks, on made-up screenshots (no game, no X server)."""
import unittest

import harness
from harness import Scaling, Shot


def phases_from(frames, period):
    """Phases as Game.record builds them from labels shot every period s."""
    phases = []
    previous_start = None
    for i, label in enumerate(frames):
        shot = Shot(4, 3, b"\0" * 36, i * period, i * period + period / 2)
        harness.add_shot(phases, label, shot, previous_start)
        previous_start = shot.t_start
    return phases


def timeline(period, *spans):
    """Labels every period s for spans of (label, seconds)."""
    frames = []
    t = 0.0
    for label, seconds in spans:
        end = t + seconds
        while t < end - 1e-9:
            frames.append(label)
            t += period
    return frames


CREDIT = ("message", 1, (0, 0, 1, 1))
SECOND = ("message", 2, (0, 0, 1, 1))


class Geometry(unittest.TestCase):
    def test_picture_placement_matches_the_renderer(self):
        # Wide screens get bars left and right, tall ones above and below.
        self.assertEqual(Scaling(1024, 768).picture, (0, 0, 1024, 768))
        self.assertEqual(Scaling(1280, 720).picture, (160, 0, 1120, 720))
        self.assertEqual(Scaling(1280, 1024).picture, (0, 32, 1280, 992))
        s = Scaling(1280, 720)
        self.assertEqual(s.to_screen(0, 0), (160, 0))
        self.assertEqual(s.to_screen(639, 479), (1119, 719))
        self.assertEqual(s.to_game(1119, 719), (639, 479))
        self.assertEqual(s.rect_to_screen(0, 230, 640, 249), (160, 345, 1120, 374))


class MessageSequence(unittest.TestCase):
    def check(self, frames, period, count=1):
        return harness.check_message_sequence(self, phases_from(frames, period), count, 0.0)

    def test_accepts_the_start_up(self):
        frames = timeline(0.03, ("desktop", 1), ("black", 0.1), (CREDIT, 3), ("black", 0.5), ("other", 1))
        self.assertEqual([m.label for m in self.check(frames, 0.03)], [CREDIT])
        frames = timeline(0.03, ("desktop", 1), (CREDIT, 3), ("black", 0.5), (SECOND, 3), ("black", 0.5),
                          ("other", 1))
        self.assertEqual([m.label for m in self.check(frames, 0.03, 2)], [CREDIT, SECOND])

    def test_rejects_faults(self):
        faults = {
            "short message": timeline(0.03, ("black", 0.1), (CREDIT, 1), ("black", 0.5), ("other", 1)),
            "no black": timeline(0.03, ("black", 0.1), (CREDIT, 3), ("other", 1)),
            "short black": timeline(0.03, ("black", 0.1), (CREDIT, 3), ("black", 0.1), ("other", 1)),
            "long message": timeline(0.03, ("black", 0.1), (CREDIT, 6), ("black", 0.5), ("other", 1)),
            "menu first": timeline(0.03, ("other", 0.3), ("black", 0.1), (CREDIT, 3), ("black", 0.5),
                                   ("other", 1)),
            "extra message": timeline(0.03, (CREDIT, 3), ("black", 0.5), (SECOND, 3), ("black", 0.5),
                                      ("other", 1)),
        }
        for name, frames in faults.items():
            with self.subTest(name):
                with self.assertRaises(AssertionError):
                    self.check(frames, 0.03)

    def test_sparse_shots_may_miss_the_black_but_not_the_time(self):
        # Shots 0.6 s apart can step over 500 ms of black ...
        self.check(timeline(0.6, ("desktop", 1.2), ("black", 0.6), (CREDIT, 3.0), ("other", 1.8)), 0.6)
        # ... but a message and black that together last too little still fail.
        with self.assertRaisesRegex(AssertionError, "and its black too brief"):
            self.check(timeline(0.6, ("desktop", 1.2), ("black", 0.6), (CREDIT, 2.4), ("other", 1.8)), 0.6)
        # Shots 0.2 s apart cannot.
        with self.assertRaisesRegex(AssertionError, "no black after message 1"):
            self.check(timeline(0.2, ("desktop", 1.2), ("black", 0.2), (CREDIT, 3.0), ("other", 1.8)), 0.2)


if __name__ == "__main__":
    harness.main()
