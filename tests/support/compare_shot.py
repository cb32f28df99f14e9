"""Compares a screenshot with its reviewed reference picture.

    compare_shot.py SHOT.png REFERENCE.png

Outside the text rectangles every pixel must be exactly equal; inside them
each channel may differ by up to the tolerance, for font rendering. The
rectangles and the tolerance are listed beside the reference, in
REFERENCE.txt: one "text X Y WIDTH HEIGHT" line per rectangle and an optional
"tolerance N" line (default 48); "#" starts a comment.

With UPDATE_REFERENCES=1 in the environment the shot replaces the reference
instead (the rectangles file is left as it is): that is how the references
are regenerated after a deliberate change (scripts/update-references).
Exit codes: 0 equal (or updated), 1 different, 2 unreadable."""
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import png  # noqa: E402


def read_rectangles(path):
    rects, tolerance = [], 48
    if not os.path.exists(path):
        return rects, tolerance
    with open(path) as f:
        for line in f:
            words = line.split("#", 1)[0].split()
            if not words:
                continue
            if words[0] == "text" and len(words) == 5:
                x, y, w, h = (int(v) for v in words[1:])
                rects.append((x, y, x + w, y + h))
            elif words[0] == "tolerance" and len(words) == 2:
                tolerance = int(words[1])
            else:
                raise ValueError("%s: cannot read %r" % (path, line))
    return rects, tolerance


def compare(shot, reference):
    """Returns a list of problems; empty when the pictures match."""
    rects, tolerance = read_rectangles(os.path.splitext(reference)[0] + ".txt")
    sw, sh, srows = png.read(shot)
    rw, rh, rrows = png.read(reference)
    if (sw, sh) != (rw, rh):
        return ["size %dx%d, reference %dx%d" % (sw, sh, rw, rh)]
    problems = []
    for y in range(rh):
        for x in range(rw):
            a, b = srows[y][x], rrows[y][x]
            if a == b:
                continue
            in_text = any(l <= x < r and t <= y < btm for l, t, r, btm in rects)
            if in_text and max(abs(p - q) for p, q in zip(a, b)) <= tolerance:
                continue
            problems.append("(%d, %d): %s, reference %s%s" % (x, y, a, b, " in text" if in_text else ""))
    return problems


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    shot, reference = sys.argv[1], sys.argv[2]
    if os.environ.get("UPDATE_REFERENCES") == "1":
        shutil.copyfile(shot, reference)
        print("updated %s" % reference)
        return 0
    try:
        problems = compare(shot, reference)
    except (OSError, ValueError) as e:
        print("cannot compare: %s" % e)
        return 2
    if problems:
        print("%s differs from %s in %d pixels, first ones:" % (shot, reference, len(problems)))
        for p in problems[:20]:
            print("  " + p)
        return 1
    print("%s matches %s" % (shot, reference))
    return 0


if __name__ == "__main__":
    sys.exit(main())
