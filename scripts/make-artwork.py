#!/usr/bin/python3
"""Draws the wizard's built-in pictures, its icon and the sample mod's pictures.

Run from the repository root with Debian's python3-pil:  /usr/bin/python3 scripts/make-artwork.py
The results are committed; the build does not run this script.
"""
import math
import random
import struct
from pathlib import Path

from PIL import Image, ImageDraw, ImageFilter, ImageFont

ROOT = Path(__file__).resolve().parent.parent
FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf"
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def lerp(a, b, t):
    return tuple(int(a[i] + (b[i] - a[i]) * t) for i in range(3))


def sky(width, height, horizon, top, glow):
    img = Image.new("RGB", (width, height))
    px = img.load()
    for y in range(horizon):
        t = (y / horizon) ** 1.6
        row = lerp(top, glow, t)
        for x in range(width):
            px[x, y] = row
    return img


def scene(width, height, palette, seed, title=None, subtitle=None, vertical=False):
    top, glow, hills, water = palette
    rnd = random.Random(seed)
    horizon = int(height * (0.58 if vertical else 0.62))
    img = sky(width, height, horizon, top, glow)
    draw = ImageDraw.Draw(img)

    for _ in range(int(width * height / 900)):  # faint stars in the upper sky
        x, y = rnd.randrange(width), rnd.randrange(int(horizon * 0.55))
        v = rnd.randrange(120, 230)
        draw.point((x, y), fill=(v, v, min(255, v + 20)))

    moon_x, moon_y = int(width * 0.7), int(horizon * (0.66 if vertical else 0.38))
    r = max(10, width // 18)
    halo = Image.new("L", img.size, 0)
    ImageDraw.Draw(halo).ellipse((moon_x - 3 * r, moon_y - 3 * r, moon_x + 3 * r, moon_y + 3 * r), fill=70)
    halo = halo.filter(ImageFilter.GaussianBlur(r))
    img.paste((255, 214, 170), (0, 0), halo)
    draw = ImageDraw.Draw(img)
    draw.ellipse((moon_x - r, moon_y - r, moon_x + r, moon_y + r), fill=(255, 232, 200))

    for layer, shade in enumerate((0.55, 0.8, 1.0)):  # three ridges, darker towards the front
        colour = lerp(glow, hills, shade)
        base = horizon - int(height * 0.02 * (2 - layer))
        amp = height * (0.10 - 0.025 * layer)
        phase = rnd.random() * 6.28
        points = [(0, horizon)]
        for x in range(0, width + 8, 8):
            y = base - amp * (0.5 + 0.5 * math.sin(x / width * (3 + layer) + phase)) \
                - rnd.random() * amp * 0.15
            points.append((x, y))
        points.append((width, horizon))
        draw.polygon(points, fill=colour)

    reflection = img.crop((0, 0, width, horizon)).transpose(Image.FLIP_TOP_BOTTOM)
    reflection = reflection.resize((width, height - horizon)).filter(ImageFilter.GaussianBlur(2))
    tint = Image.new("RGB", reflection.size, water)
    img.paste(Image.blend(reflection, tint, 0.55), (0, horizon))
    draw = ImageDraw.Draw(img)
    for _ in range(60):  # ripples
        y = rnd.randrange(horizon + 2, height)
        x = rnd.randrange(width)
        length = rnd.randrange(10, 60)
        draw.line((x, y, x + length, y), fill=lerp(water, glow, 0.35), width=1)

    if title:
        size = width // (8 if vertical else 13)
        font = ImageFont.truetype(FONT_BOLD, size)
        box = draw.textbbox((0, 0), title, font=font)
        tx = (width - (box[2] - box[0])) // 2
        ty = int(height * 0.07)
        draw.text((tx + 2, ty + 2), title, font=font, fill=(10, 6, 18), align="center")
        draw.text((tx, ty), title, font=font, fill=(246, 222, 190), align="center")
        if subtitle:
            small = ImageFont.truetype(FONT, max(11, size // 3))
            box2 = draw.textbbox((0, 0), subtitle, font=small)
            draw.text(((width - (box2[2] - box2[0])) // 2, ty + (box[3] - box[1]) + size // 2),
                      subtitle, font=small, fill=(200, 180, 200))
    return img


def bullet():
    size = 16
    img = Image.new("RGBA", (size * 4, size * 4), (0, 0, 0, 0))
    draw = ImageDraw.Draw(img)
    c = size * 2
    draw.ellipse((c - 22, c - 22, c + 22, c + 22), fill=(255, 150, 60, 90))
    draw.polygon([(c, c - 18), (c + 18, c), (c, c + 18), (c - 18, c)], fill=(246, 170, 80, 255))
    draw.polygon([(c, c - 9), (c + 9, c), (c, c + 9), (c - 9, c)], fill=(255, 236, 200, 255))
    return img.resize((size, size), Image.LANCZOS)


def write_ico_256(image, path):
    """A single 48x48 image with a 256-colour palette, the classic BMP form inside the icon."""
    image = image.convert("RGB").resize((48, 48), Image.LANCZOS)
    pal_img = image.quantize(colors=256, method=Image.MEDIANCUT)
    palette = pal_img.getpalette()[: 256 * 3]
    palette += [0] * (256 * 3 - len(palette))
    w = h = 48
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    colours = b"".join(struct.pack("BBBB", palette[i * 3 + 2], palette[i * 3 + 1], palette[i * 3], 0)
                       for i in range(256))
    pixels = pal_img.load()
    xor = b"".join(bytes(pixels[x, y] for x in range(w)) for y in reversed(range(h)))
    and_row = (w + 31) // 32 * 4
    mask = bytes(and_row * h)
    data = header + colours + xor + mask
    entry = struct.pack("<BBBBHHII", w, h, 0, 0, 1, 8, len(data), 6 + 16)
    path.write_bytes(struct.pack("<HHH", 0, 1, 1) + entry + data)


def icon_art():
    img = scene(192, 192, ((18, 12, 40), (214, 104, 60), (14, 10, 24), (20, 24, 48)), 7)
    draw = ImageDraw.Draw(img)
    font = ImageFont.truetype(FONT_BOLD, 120)
    draw.text((44, 20), "D", font=font, fill=(250, 226, 190), stroke_width=4, stroke_fill=(12, 8, 20))
    return img


def main():
    dusk = ((14, 10, 34), (196, 92, 66), (10, 8, 20), (18, 22, 44))
    res = ROOT / "app" / "res"
    scene(360, 580, dusk, 1, "THE\nDUSKMERE", None, vertical=True).save(res / "logo.jpg", quality=90)
    scene(640, 480, dusk, 2, "The Duskmere", "Installing ...").save(res / "image.jpg", quality=90)
    bullet().save(res / "bullet.png")
    write_ico_256(icon_art(), res / "duskmere.ico")

    sample = ROOT / "sample"
    (sample / "slides").mkdir(parents=True, exist_ok=True)
    scene(640, 480, ((8, 16, 38), (92, 120, 170), (6, 10, 20), (12, 20, 40)), 3,
          "Night over the Mere", "Sample slide 1").save(sample / "slides" / "slide1.jpg", quality=88)
    scene(640, 480, ((30, 8, 24), (230, 140, 70), (16, 6, 12), (30, 16, 26)), 4,
          "The Last Light", "Sample slide 2").save(sample / "slides" / "slide2.jpg", quality=88)
    splash = sample / "GameFiles" / "DuskmereGame" / "Splash"
    splash.mkdir(parents=True, exist_ok=True)
    write_ico_256(icon_art(), splash / "duskmereicon.ico")
    scene(1024, 768, dusk, 5, "The Duskmere", "Loading ...").save(splash / "Splash.jpg", quality=92)


if __name__ == "__main__":
    main()
