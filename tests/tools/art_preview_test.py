#!/usr/bin/python3
"""The art tools' preview of an overfished year's title strikes out what the game
strikes out: the word "fish" of the hint, nothing of "and" beside it."""
import os
import sys
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools", "art"))

import compose  # noqa: E402
import contact_sheet  # noqa: E402

SS = 2  # the preview draws at twice the picture's size
WHITE = (255, 255, 255)


class OverfishedPreview(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sprites, fonts, _ = compose.load(ROOT)
        cls.font = fonts["f1"]

    def struck_columns(self, y):
        """Picture columns of row y that the strike turned white."""
        messages = ("The fish have been overfished!",)
        over = contact_sheet.intro(self.sprites, self.font, 4, messages, overfished=True)
        plain = contact_sheet.intro(self.sprites, self.font, 4, messages, overfished=False)
        columns = set()
        for sub in range(SS):
            row = y * SS + sub
            for col in range(over.shape[1]):
                if tuple(over[row, col]) == WHITE and tuple(plain[row, col]) != WHITE:
                    columns.add(col // SS)
        return sorted(columns)

    def test_the_line_covers_fish_and_nothing_beside_it(self):
        # "Eat " is four advances of 8 from x 24: the glyphs of "fish" fill 56 to 86,
        # the space after it 88 to 95, "and" 96 on.
        columns = self.struck_columns(98)
        self.assertTrue(columns, "no strike on row 98")
        self.assertGreaterEqual(columns[0], 56)
        self.assertLessEqual(columns[-1], 86)
        self.assertGreaterEqual(len(columns), 30, "the whole word")
        self.assertEqual(self.struck_columns(97), [], "one pixel high")


if __name__ == "__main__":
    unittest.main()
