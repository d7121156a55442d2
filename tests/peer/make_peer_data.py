"""Reference data from independent tools for the peer tests.

    make_peer_data.py CORPUS OUTDIR      pixel dumps of the BMP corpus as Pillow reads it, and
                                         BMP, PGM and RAW files written by ImageMagick (PGM by Pillow too)
    make_peer_data.py --check-ours DIR   Pillow, ImageMagick and netpbm read the BMPs our writer made

A dump is one text line "VDUMP <kind> <width> <height> [<maximum>]" and then the samples, top
row first: kind rgb = 3 bytes a pixel, gray = 1 byte, gray16 = 2 bytes big-endian (0..maximum).
OUTDIR/foreign/manifest.txt lists "<reader> <file> <expected code> <dump or ->".

Every written file is read back with another reader (Pillow, netpbm, by hand for 16-bit BMP) before its
dump is trusted, so a surprise in a tool stops here instead of showing up as a fault of ours.
"""
import os
import random
import re
import shutil
import struct
import subprocess
import sys

from PIL import Image

CONVERT = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else shutil.which("convert")
W, H = 37, 23  # odd: every depth needs row padding


def write_dump(path, kind, width, height, data, maximum=None):
    head = f"VDUMP {kind} {width} {height}" + (f" {maximum}" if maximum is not None else "")
    with open(path, "wb") as f:
        f.write(head.encode() + b"\n" + bytes(data))


def be16(samples):
    return b"".join(struct.pack(">H", v) for v in samples)


def read_dump(path):
    with open(path, "rb") as f:
        head, data = f.read().split(b"\n", 1)
    _, kind, width, height = head.split()[:4]
    return kind.decode(), int(width), int(height), data


def fail(message):
    sys.exit(f"make_peer_data: {message}")


def bmp_header(path):
    b = open(path, "rb").read()
    hs = struct.unpack_from("<I", b, 14)[0]
    if hs == 12:
        return hs, struct.unpack_from("<H", b, 24)[0], 0
    return (hs,) + struct.unpack_from("<HI", b, 28)


def pillow_rgb(path):
    with Image.open(path) as im:
        return im.convert("RGB").tobytes()


def netpbm_samples(path):
    """Samples of a PGM as netpbm reads it."""
    text = subprocess.run(["pnmtoplainpnm", path], check=True, capture_output=True).stdout.split()
    assert text[0] == b"P2"
    return int(text[1]), int(text[2]), int(text[3]), [int(v) for v in text[4:]]


def dump_corpus(corpus, out):
    for folder in "gqb":
        os.makedirs(f"{out}/suite/{folder}")
        for name in sorted(os.listdir(f"{corpus}/{folder}")):
            try:
                with Image.open(f"{corpus}/{folder}/{name}") as im:
                    rgb = im.convert("RGB")
            except Exception:  # Pillow refuses it: nothing to compare with
                continue
            write_dump(f"{out}/suite/{folder}/{name}.dump", "rgb", rgb.width, rgb.height, rgb.tobytes())


class Foreign:
    def __init__(self, out):
        self.dir = f"{out}/foreign"
        os.makedirs(self.dir)
        self.rng = random.Random(20240611)
        self.lines = []

    def path(self, name):
        return f"{self.dir}/{name}"

    def add(self, reader, name, code=0, kind=None, size=None, data=None, maximum=None):
        dump = "-"
        if kind:
            dump = name + ".dump"
            write_dump(self.path(dump), kind, size[0], size[1], data, maximum)
        self.lines.append(f"{reader} {name} {code} {dump}")

    def add_gray(self, reader, name, samples, maximum=255):
        if maximum > 255:
            self.add(reader, name, kind="gray16", size=(W, H), data=be16(samples), maximum=maximum)
        else:
            self.add(reader, name, kind="gray", size=(W, H), data=samples)

    def random_image(self, mode, size, palette_size=None):
        r = self.rng
        n = size[0] * size[1]
        if mode == "RGB":
            pix = [(r.randrange(256), r.randrange(256), r.randrange(256)) for _ in range(n)]
        elif mode == "L":
            pix = [r.randrange(256) for _ in range(n)]
        elif mode == "1":
            pix = [r.choice((0, 255)) for _ in range(n)]
        elif mode == "P":
            pix = [r.randrange(palette_size) for _ in range(n)]
        else:  # "I": 16-bit gray with both extremes present
            pix = [0, 65535] + [r.randrange(65536) for _ in range(n - 2)]
        im = Image.new(mode, size)
        im.putdata(pix)
        if mode == "P":
            im.putpalette([r.randrange(256) for _ in range(3 * palette_size)])
        return im

    def add_bmp(self, name, source, layout=None):
        """Adds a written BMP once its header and Pillow's reading of it are as expected."""
        if layout and bmp_header(self.path(name)) != layout:
            fail(f"{name}: header (size, depth, compression) is {bmp_header(self.path(name))}, expected {layout}")
        rgb = source.convert("RGB").tobytes()
        if pillow_rgb(self.path(name)) != rgb:
            fail(f"{name}: Pillow does not read back the pixels that were written")
        self.add("bmp", name, kind="rgb", size=source.size, data=rgb)

    def magick(self, source, name, *options, writer=""):
        subprocess.run([CONVERT, self.path(source), *options, writer + self.path(name)], check=True)

    def magick_bmps(self):
        colour = self.random_image("RGB", (W, H))
        gray = self.random_image("L", (W + 1, H))
        # Palette sources keep ImageMagick from quantizing (slow, and not always exact).
        few = self.random_image("P", (W + 2, H), palette_size=12)  # 4 bits
        bilevel = self.random_image("1", (W, H))
        # 5-bit levels v given as the least 8-bit value that ImageMagick takes back to v.
        c5 = colour.point(lambda v: v >> 3)
        c555 = c5.point(lambda v: -(-v * 255 // 31))
        sources = {"colour": colour, "gray": gray, "few": few, "bilevel": bilevel, "c555": c555}
        for key, im in sources.items():
            im.save(self.path(f"src-{key}.png"))
        jobs = [  # name, source, options, (header size, depth, compression)
            ("im-bmp-rgb24.bmp", "colour", [], (124, 24, 0)),
            ("im-bmp-gray24.bmp", "gray", ["-type", "TrueColor"], (124, 24, 0)),
            ("im-bmp-gray8.bmp", "gray", ["-compress", "None"], (108, 8, 0)),
            ("im-bmp-pal4.bmp", "few", [], (124, 4, 0)),
            ("im-bmp-bw1.bmp", "bilevel", [], (108, 1, 0)),
            ("im-bmp-argb32.bmp", "colour", ["-alpha", "set"], (124, 32, 3)),
            ("im-bmp3-rgb24.bmp", "colour", [], (40, 24, 0)),
            ("im-bmp3-gray8.bmp", "gray", ["-compress", "None"], (40, 8, 0)),
            ("im-bmp3-pal4.bmp", "few", [], (40, 4, 0)),
            ("im-bmp3-bw1.bmp", "bilevel", [], (40, 1, 0)),
            ("im-bmp2-gray8.bmp", "gray", [], (12, 8, 0)),
            ("im-bmp2-rgb24.bmp", "colour", [], (12, 24, 0)),
        ]
        for name, key, options, layout in jobs:
            writer = {"im-bmp-": "BMP:", "im-bmp3": "BMP3:", "im-bmp2": "BMP2:"}[name[:7]]
            self.magick(f"src-{key}.png", name, *options, writer=writer)
            self.add_bmp(name, sources[key], layout)

        # 5-5-5 with masks in a V5 header, checked field by field (Pillow spreads 5 bits another way);
        # the dump spreads them by repeating the high bits, as our reader does.
        name = "im-bmp-rgb555.bmp"
        self.magick("src-c555.png", name, "-define", "bmp:subtype=RGB555", writer="BMP:")
        b = open(self.path(name), "rb").read()
        if bmp_header(self.path(name)) != (124, 16, 3) or struct.unpack_from("<3I", b, 54) != (0x7C00, 0x3E0, 0x1F):
            fail(f"{name}: not a 5-5-5 bit-field file")
        offset, stride = struct.unpack_from("<I", b, 10)[0], (2 * W + 3) // 4 * 4
        for y in range(H):
            for x in range(W):
                v = struct.unpack_from("<H", b, offset + (H - 1 - y) * stride + 2 * x)[0]
                if (v >> 10 & 31, v >> 5 & 31, v & 31) != c5.getpixel((x, y)):
                    fail(f"{name}: pixel ({x},{y}) is not what was given")
        spread = c5.point(lambda v: (v << 3) | (v >> 2))
        self.add("bmp", name, kind="rgb", size=spread.size, data=spread.tobytes())

        # ImageMagick compresses 8-bit palette files with RLE when asked: refused.
        name = "im-bmp3-rle8.bmp"
        self.magick("src-gray.png", name, "-compress", "RLE", writer="BMP3:")
        if bmp_header(self.path(name)) != (40, 8, 1):
            fail(f"{name}: not RLE8")
        self.add("bmp", name, code=4)

    def check_pgm(self, name, maximum, samples):
        if netpbm_samples(self.path(name)) != (W, H, maximum, samples):
            fail(f"{name}: netpbm does not read back the samples that were written")

    def pgms(self):
        gray = self.random_image("L", (W, H))
        deep = self.random_image("I", (W, H))
        g8, g16 = list(gray.getdata()), list(deep.getdata())

        gray.save(self.path("pil-8.pgm"))
        deep.save(self.path("pil-16.pgm"))
        self.check_pgm("pil-8.pgm", 255, g8)
        self.check_pgm("pil-16.pgm", 65535, g16)
        self.add_gray("pgm", "pil-8.pgm", g8)
        self.add_gray("pgm", "pil-16.pgm", g16, 65535)

        gray.save(self.path("src-gray8.png"))
        deep.convert("I;16").save(self.path("src-gray16.png"))
        for name, source, options in (("im-8.pgm", "src-gray8.png", []),
                                      ("im-16.pgm", "src-gray16.png", []),
                                      ("im-12.pgm", "src-gray16.png", ["-depth", "12"])):
            self.magick(source, name, *options, writer="PGM:")
            _, _, maximum, samples = netpbm_samples(self.path(name))
            expected = {"im-8.pgm": (255, g8), "im-16.pgm": (65535, g16)}.get(name)
            if expected and (maximum, samples) != expected:
                fail(f"{name}: ImageMagick changed the samples")
            self.add_gray("pgm", name, samples, maximum)

        # Headers by hand: comments between the fields, width and height on lines of their own.
        hand = [
            ("hand-comments-8.pgm", b"P5\n# written by hand\n%d\n# height on its own line\n%d\n# maximum\n255\n", 255),
            ("hand-comments-16.pgm", b"P5 # after the magic\n%d # width\n%d\n#\n65535\n", 65535),
            ("hand-comments-4095.pgm", b"P5\n%d %d\n# just before the maximum\n4095\n", 4095),
        ]
        for name, head, maximum in hand:
            samples = g8 if maximum == 255 else [v * maximum // 65535 for v in g16]
            with open(self.path(name), "wb") as f:
                f.write(head % (W, H) + (bytes(samples) if maximum == 255 else be16(samples)))
            self.check_pgm(name, maximum, samples)
            self.add_gray("pgm", name, samples, maximum)

    def raws(self):
        # 92 x 112 is in the size table; 37 x 23 has to be given. ImageMagick's bytes must be Pillow's.
        for width, height in ((92, 112), (W, H)):
            im = self.random_image("L", (width, height))
            im.save(self.path(f"src-raw{width}.png"))
            name = f"im-{width}x{height}.raw"
            self.magick(f"src-raw{width}.png", name, "-depth", "8", writer="GRAY:")
            if open(self.path(name), "rb").read() != im.tobytes():
                fail(f"{name}: ImageMagick changed the bytes")
            self.add("raw", name, kind="gray", size=im.size, data=im.tobytes())

    def finish(self):
        with open(f"{self.dir}/manifest.txt", "w") as f:
            f.write("\n".join(self.lines) + "\n")


def netpbm_rgb(path):
    pnm = subprocess.run(["bmptopnm", path], capture_output=True).stdout
    ppm = subprocess.run(["ppmtoppm"], input=pnm, capture_output=True).stdout
    head = re.match(rb"P6\s+\d+\s+\d+\s+255\s", ppm)
    return ppm[head.end():] if head else b""


def check_ours(folder):
    """Our BMPs as Pillow, ImageMagick and netpbm read them, against the pixels the writer put in."""
    faults = []
    names = sorted(n for n in os.listdir(folder) if n.endswith(".bmp"))
    for name in names:
        path = f"{folder}/{name}"
        _, width, height, expected = read_dump(path + ".dump")
        magick = subprocess.run([CONVERT, path, "-depth", "8", "RGB:-"], capture_output=True).stdout
        for reader, got in (("Pillow", pillow_rgb(path)), ("ImageMagick", magick), ("netpbm", netpbm_rgb(path))):
            bad = [i // 3 for i in range(0, len(got), 3) if got[i:i + 3] != expected[i:i + 3]]
            if got != expected:
                first = ", ".join(f"({p % width},{p // width}) {got[3 * p:3 * p + 3].hex()}" for p in bad[:5])
                faults.append(f"{name}: {reader} gives {len(got)} bytes of {len(expected)}, differing at {first}")
    if not names:
        faults.append(f"no BMP files in {folder}")
    print(f"{len(names)} files checked")
    if faults:
        sys.exit("\n".join(faults))


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--check-ours":
        check_ours(sys.argv[2])
        return
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    corpus, out = sys.argv[1:]
    if not CONVERT:
        fail("ImageMagick's convert is needed")
    shutil.rmtree(out, ignore_errors=True)
    dump_corpus(corpus, out)
    foreign = Foreign(out)
    foreign.magick_bmps()
    foreign.pgms()
    foreign.raws()
    foreign.finish()


if __name__ == "__main__":
    main()
