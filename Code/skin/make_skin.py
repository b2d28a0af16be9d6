#!/usr/bin/env python3
"""Writes the main window's skin pictures as SVG files into this folder.

The program reads the SVG files (compiled in through skin.qrc); this script
only keeps their look consistent. Edit a picture by hand or change the
script and run it again.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
FONT = "font-family='DejaVu Sans, Liberation Sans, Arial, sans-serif'"


def write(name, w, h, body):
    svg = (f"<svg xmlns='http://www.w3.org/2000/svg' width='{w}' height='{h}' "
           f"viewBox='0 0 {w} {h}'>\n{body}\n</svg>\n")
    with open(os.path.join(HERE, name + ".svg"), "w") as f:
        f.write(svg)


# Face colours per button family and state: (top, bottom, border, glyph).
FACES = {
    "blue": {"up": ("#5f9be6", "#2459a8", "#173d78", "#ffffff"),
             "hot": ("#86b6f2", "#3470c4", "#1b4a8c", "#ffffff"),
             "down": ("#214f96", "#2f64b2", "#123262", "#e8f0ff")},
    "silver": {"up": ("#fdfdfe", "#d5dce6", "#8a97aa", "#25467c"),
               "hot": ("#ffffff", "#e4ecf7", "#5f86c0", "#1d4fa0"),
               "down": ("#c9d2de", "#eef2f7", "#6f7f96", "#1b3d72")},
    "green": {"up": ("#7bd36b", "#2f8f2a", "#1f6a1c", "#ffffff"),
              "hot": ("#98e487", "#3ba634", "#237a20", "#ffffff"),
              "down": ("#2b8126", "#3d9d36", "#185a16", "#eaffea")},
    "caption": {"up": ("#4a7fcc", "#27559c", "#163a70", "#ffffff"),
                "hot": ("#6b9be0", "#3368b6", "#1a4480", "#ffffff"),
                "down": ("#1f4a8c", "#2b5aa4", "#102c58", "#dce8ff")},
    "close": {"up": ("#4a7fcc", "#27559c", "#163a70", "#ffffff"),
              "hot": ("#f07a6a", "#c62f22", "#8a1d14", "#ffffff"),
              "down": ("#a8261b", "#c53a2c", "#6d1610", "#ffe8e6")},
}


def face(w, h, family, state, radius, glyph, glyph_w=None):
    top, bottom, border, ink = FACES[family][state]
    shift = 1 if state == "down" else 0
    gloss = "" if state == "down" else (
        f"<path d='M2,{radius + 1} Q2,2 {radius + 1},2 L{w - radius - 1},2 Q{w - 2},2 {w - 2},{radius + 1} "
        f"L{w - 2},{h * 0.45:.1f} Q{w / 2:.1f},{h * 0.58:.1f} 2,{h * 0.45:.1f} Z' fill='#ffffff' opacity='0.28'/>")
    return f"""<defs><linearGradient id='g' x1='0' y1='0' x2='0' y2='1'>
<stop offset='0' stop-color='{top}'/><stop offset='1' stop-color='{bottom}'/></linearGradient></defs>
<rect x='0.5' y='0.5' width='{w - 1}' height='{h - 1}' rx='{radius}' fill='url(#g)' stroke='{border}'/>
<rect x='1.5' y='1.5' width='{w - 3}' height='{h - 3}' rx='{radius - 1}' fill='none' stroke='#ffffff' stroke-opacity='0.35'/>
{gloss}
<g transform='translate({shift},{shift})' fill='{ink}' stroke='{ink}'>{glyph(w, h, ink)}</g>"""


def text(x, y, size, label, ink, anchor="middle", weight="bold"):
    return (f"<text x='{x}' y='{y}' font-size='{size}' font-weight='{weight}' text-anchor='{anchor}' "
            f"{FONT} stroke='none' fill='{ink}'>{label}</text>")


# --- glyphs: each returns SVG drawn in the button's own coordinates ---------

def g_minimize(w, h, ink):
    return f"<rect x='{w / 2 - 6:.1f}' y='{h / 2 + 3:.1f}' width='12' height='2.6' rx='1' stroke='none'/>"


def g_close(w, h, ink):
    cx, cy = w / 2, h / 2
    return (f"<path d='M{cx - 5},{cy - 5} L{cx + 5},{cy + 5} M{cx + 5},{cy - 5} L{cx - 5},{cy + 5}' "
            f"fill='none' stroke-width='2.6' stroke-linecap='round'/>")


def g_maximize(w, h, ink):
    return f"<rect x='{w / 2 - 6}' y='{h / 2 - 5}' width='12' height='10' fill='none' stroke-width='2'/>"


def g_home(w, h, ink):
    cx = w / 2
    return (f"<path d='M{cx - 11},{h / 2 + 1} L{cx},{h / 2 - 10} L{cx + 11},{h / 2 + 1}' fill='none' "
            f"stroke-width='2.6' stroke-linejoin='round' stroke-linecap='round'/>"
            f"<path d='M{cx - 7},{h / 2 - 1} V{h / 2 + 10} H{cx - 2} V{h / 2 + 4} H{cx + 2} V{h / 2 + 10} "
            f"H{cx + 7} V{h / 2 - 1} L{cx},{h / 2 - 7} Z' stroke='none'/>")


def g_mail(w, h, ink):
    x, y = w / 2 - 11, h / 2 - 8
    return (f"<rect x='{x}' y='{y}' width='22' height='16' rx='2' fill='none' stroke-width='2'/>"
            f"<path d='M{x + 1},{y + 1} L{w / 2},{y + 9} L{x + 21},{y + 1}' fill='none' stroke-width='2' "
            f"stroke-linejoin='round'/>")


def g_help(w, h, ink):
    return (f"<circle cx='{w / 2}' cy='{h / 2}' r='12' fill='none' stroke-width='2.2'/>"
            + text(w / 2, h / 2 + 6.5, 18, "?", ink))


def g_about(w, h, ink):
    return (f"<circle cx='{w / 2}' cy='{h / 2}' r='12' fill='none' stroke-width='2.2'/>"
            f"<circle cx='{w / 2}' cy='{h / 2 - 6}' r='1.9' stroke='none'/>"
            f"<rect x='{w / 2 - 1.5}' y='{h / 2 - 2}' width='3' height='10' rx='1' stroke='none'/>")


def g_folder(w, h, ink):
    x, y = w / 2 - 9, h / 2 - 7
    return (f"<path d='M{x},{y + 2} Q{x},{y} {x + 2},{y} H{x + 7} L{x + 9},{y + 3} H{x + 16} Q{x + 18},{y + 3} "
            f"{x + 18},{y + 5} V{y + 12} Q{x + 18},{y + 14} {x + 16},{y + 14} H{x + 2} Q{x},{y + 14} {x},{y + 12} Z' "
            f"stroke='none' fill='#f2c14e'/>"
            f"<path d='M{x},{y + 6} H{x + 18}' stroke='#c8922a' stroke-width='1.2' fill='none'/>")


def g_labelled(label, icon):
    def glyph(w, h, ink):
        return icon(18, h / 2, ink) + text(w / 2 + 10, h / 2 + 5, 13, label, ink)
    return glyph


def i_plus(cx, cy, ink):
    return f"<path d='M{cx - 6},{cy} H{cx + 6} M{cx},{cy - 6} V{cy + 6}' fill='none' stroke-width='3' stroke-linecap='round'/>"


def i_minus(cx, cy, ink):
    return f"<path d='M{cx - 6},{cy} H{cx + 6}' fill='none' stroke-width='3' stroke-linecap='round'/>"


def i_clear(cx, cy, ink):
    return (f"<path d='M{cx - 5},{cy - 5} L{cx + 5},{cy + 5} M{cx + 5},{cy - 5} L{cx - 5},{cy + 5}' "
            f"fill='none' stroke-width='3' stroke-linecap='round'/>")


def i_gear(cx, cy, ink):
    teeth = "".join(
        f"<rect x='{cx - 1.6}' y='{cy - 8}' width='3.2' height='4' transform='rotate({a} {cx} {cy})' stroke='none'/>"
        for a in range(0, 360, 45))
    return teeth + f"<circle cx='{cx}' cy='{cy}' r='5' fill='none' stroke-width='3'/>"


def g_options(w, h, ink):
    return i_gear(16, h / 2, ink) + text(w / 2 + 9, h / 2 + 4.5, 12, "Options", ink)


def g_convert(w, h, ink):
    cy = h / 2
    return (f"<path d='M10,{cy - 4} H18 V{cy - 9} L27,{cy} L18,{cy + 9} V{cy + 4} H10 Z' stroke='none'/>"
            + text(68, cy + 5.5, 15, "Convert", ink))


def g_play(w, h, ink):
    return f"<path d='M{w / 2 - 4},{h / 2 - 6} L{w / 2 + 6},{h / 2} L{w / 2 - 4},{h / 2 + 6} Z' stroke='none'/>"


def g_pause(w, h, ink):
    return (f"<rect x='{w / 2 - 5}' y='{h / 2 - 6}' width='3.6' height='12' rx='0.8' stroke='none'/>"
            f"<rect x='{w / 2 + 1.4}' y='{h / 2 - 6}' width='3.6' height='12' rx='0.8' stroke='none'/>")


def g_stop(w, h, ink):
    return f"<rect x='{w / 2 - 5}' y='{h / 2 - 5}' width='10' height='10' rx='1.2' stroke='none'/>"


BUTTONS = [
    ("minimize", 31, 27, "caption", 5, g_minimize),
    ("close", 31, 27, "close", 5, g_close),
    ("maximize", 31, 27, "caption", 5, g_maximize),
    ("homepage", 48, 41, "silver", 8, g_home),
    ("email", 48, 41, "silver", 8, g_mail),
    ("help", 48, 41, "silver", 8, g_help),
    ("about", 48, 41, "silver", 8, g_about),
    ("folder", 29, 26, "silver", 5, g_folder),
    ("options", 87, 29, "blue", 7, g_options),
    ("openfile", 108, 38, "blue", 8, g_labelled("Add Files", i_plus)),
    ("removefile", 108, 38, "blue", 8, g_labelled("Remove", i_minus)),
    ("clearfile", 108, 38, "blue", 8, g_labelled("Clear", i_clear)),
    ("convert", 108, 60, "green", 10, g_convert),
    ("play", 26, 22, "silver", 5, g_play),
    ("pause", 26, 22, "silver", 5, g_pause),
    ("stop", 26, 22, "silver", 5, g_stop),
]


def main():
    for name, w, h, family, radius, glyph in BUTTONS:
        for state in ("up", "hot", "down"):
            write(f"{name}_{state}", w, h, face(w, h, family, state, radius, glyph))

    # The window's background: a rounded body; its opaque pixels give the window's outline.
    write("background", 719, 511, """<defs><linearGradient id='b' x1='0' y1='0' x2='0' y2='1'>
<stop offset='0' stop-color='#e9eef5'/><stop offset='1' stop-color='#cfd8e4'/></linearGradient></defs>
<rect x='0.5' y='0.5' width='718' height='510' rx='12' fill='url(#b)' stroke='#1b3a6b'/>
<rect x='1.5' y='1.5' width='716' height='508' rx='11' fill='none' stroke='#ffffff' stroke-opacity='0.6'/>""")

    # The title strip with the program's mark at its left.
    write("title", 713, 65, f"""<defs><linearGradient id='t' x1='0' y1='0' x2='0' y2='1'>
<stop offset='0' stop-color='#3d78c8'/><stop offset='0.5' stop-color='#24569f'/><stop offset='1' stop-color='#183f7a'/></linearGradient>
<radialGradient id='m' cx='0.35' cy='0.3' r='0.8'><stop offset='0' stop-color='#ffd27a'/><stop offset='1' stop-color='#e0781a'/></radialGradient></defs>
<path d='M10,0.5 H703 Q712.5,0.5 712.5,10 V64.5 H0.5 V10 Q0.5,0.5 10,0.5 Z' fill='url(#t)'/>
<path d='M10,1.5 H703 Q711.5,1.5 711.5,10 V30 Q356,40 1.5,30 V10 Q1.5,1.5 10,1.5 Z' fill='#ffffff' opacity='0.13'/>
<rect x='0.5' y='63.5' width='712' height='1' fill='#0f2b57'/>
<circle cx='34' cy='33' r='20' fill='url(#m)' stroke='#ffffff' stroke-opacity='0.7' stroke-width='1.5'/>
<path d='M21,33 h3 l2,-6 l3,14 l3,-20 l3,24 l3,-16 l2,8 l2,-4 h3' fill='none' stroke='#ffffff' stroke-width='2.2'
 stroke-linejoin='round' stroke-linecap='round'/>
<text x='64' y='54' font-size='11' {FONT} fill='#cfe0ff'>Video to audio, file by file</text>""")

    # The preview's background frame and the strip behind its buttons.
    write("player", 272, 233, """<defs><linearGradient id='p' x1='0' y1='0' x2='0' y2='1'>
<stop offset='0' stop-color='#3a4656'/><stop offset='1' stop-color='#1f2732'/></linearGradient></defs>
<rect x='0.5' y='0.5' width='271' height='232' rx='8' fill='url(#p)' stroke='#0d1520'/>
<rect x='1.5' y='1.5' width='269' height='230' rx='7' fill='none' stroke='#ffffff' stroke-opacity='0.12'/>""")
    write("playstrip", 260, 26, """<defs><linearGradient id='s' x1='0' y1='0' x2='0' y2='1'>
<stop offset='0' stop-color='#4b5869'/><stop offset='1' stop-color='#2b3441'/></linearGradient></defs>
<rect x='0' y='0' width='260' height='26' rx='4' fill='url(#s)'/>""")

    # The group panel behind the output choices.
    write("panel", 409, 230, """<defs><linearGradient id='q' x1='0' y1='0' x2='0' y2='1'>
<stop offset='0' stop-color='#fbfcfe'/><stop offset='1' stop-color='#e6ecf4'/></linearGradient></defs>
<rect x='0.5' y='0.5' width='408' height='229' rx='8' fill='url(#q)' stroke='#9fb0c8'/>""")

    # The logo that covers the video area while nothing plays.
    write("logo", 256, 154, f"""<defs><radialGradient id='l' cx='0.5' cy='0.35' r='0.8'>
<stop offset='0' stop-color='#2c4f86'/><stop offset='1' stop-color='#0b1526'/></radialGradient></defs>
<rect width='256' height='154' fill='url(#l)'/>
<g fill='none' stroke='#7fb2ff' stroke-width='3' stroke-linecap='round'>
<path d='M78,62 v16 M88,52 v36 M98,40 v60 M108,56 v28 M118,46 v48 M128,34 v72 M138,48 v44 M148,58 v24 M158,44 v52 M168,54 v32 M178,64 v12'/></g>
<text x='128' y='130' font-size='16' font-weight='bold' text-anchor='middle' {FONT} fill='#e6efff'>Sonabrix</text>
<text x='128' y='146' font-size='9' text-anchor='middle' {FONT} fill='#8fa8cc'>Double-click a file to preview it</text>""")

    # The segment bar's texture and its two thumbs (black shows the thumb's own colour).
    write("bar", 258, 19, """<defs><linearGradient id='r' x1='0' y1='0' x2='0' y2='1'>
<stop offset='0' stop-color='#9aa7b8'/><stop offset='0.45' stop-color='#d9e0ea'/><stop offset='1' stop-color='#b7c2d1'/></linearGradient></defs>
<rect width='258' height='19' fill='url(#r)'/>
<rect y='8' width='258' height='3' fill='#6f7f96' opacity='0.55'/>""")
    write("thumb_left", 18, 20, """<rect width='18' height='20' fill='#000000'/>
<path d='M3,1 H13 Q16,1 16,4 V16 Q16,19 13,19 H3 Z' fill='#2f6bbf' stroke='#163a70'/>
<path d='M3,2 H12 V9 H3 Z' fill='#ffffff' opacity='0.25'/>
<path d='M3,0 V20' stroke='#ffb020' stroke-width='2.5'/>
<path d='M8,6 L12,10 L8,14' fill='none' stroke='#ffffff' stroke-width='1.8' stroke-linecap='round'/>""")
    write("thumb_right", 18, 20, """<rect width='18' height='20' fill='#000000'/>
<path d='M15,1 H5 Q2,1 2,4 V16 Q2,19 5,19 H15 Z' fill='#2f6bbf' stroke='#163a70'/>
<path d='M6,2 H15 V9 H6 Z' fill='#ffffff' opacity='0.25'/>
<path d='M15,0 V20' stroke='#ffb020' stroke-width='2.5'/>
<path d='M10,6 L6,10 L10,14' fill='none' stroke='#ffffff' stroke-width='1.8' stroke-linecap='round'/>""")

    # Column header pictures, 14 x 14.
    icons = {
        "hdr_file": "<path d='M3,1 H9 L12,4 V13 H3 Z' fill='#ffffff' stroke='#3a5f95'/><path d='M9,1 V4 H12' fill='none' stroke='#3a5f95'/>"
                    "<path d='M5,7 H10 M5,9 H10 M5,11 H8' stroke='#7d95b8'/>",
        "hdr_size": "<rect x='1.5' y='8.5' width='3' height='4' fill='#5b8fd6' stroke='#2b5592'/><rect x='5.5' y='5.5' width='3' height='7' fill='#5b8fd6' stroke='#2b5592'/>"
                    "<rect x='9.5' y='2.5' width='3' height='10' fill='#5b8fd6' stroke='#2b5592'/>",
        "hdr_duration": "<circle cx='7' cy='7' r='5.5' fill='#ffffff' stroke='#2b5592' stroke-width='1.3'/><path d='M7,3.5 V7 H10' fill='none' stroke='#2b5592' stroke-width='1.3'/>",
        "hdr_start": "<path d='M3,2 V12' stroke='#2f8f2a' stroke-width='2'/><path d='M5,3 L12,7 L5,11 Z' fill='#4fb043'/>",
        "hdr_end": "<path d='M11,2 V12' stroke='#c62f22' stroke-width='2'/><path d='M9,3 L2,7 L9,11 Z' fill='#e0604f'/>",
        "hdr_cut": "<circle cx='4' cy='10' r='2.3' fill='none' stroke='#2b5592' stroke-width='1.3'/><circle cx='10' cy='10' r='2.3' fill='none' stroke='#2b5592' stroke-width='1.3'/>"
                   "<path d='M5.5,8.3 L10.5,1.5 M8.5,8.3 L3.5,1.5' stroke='#2b5592' stroke-width='1.3'/>",
    }
    for name, body in icons.items():
        write(name, 14, 14, body)

    names = sorted(f for f in os.listdir(HERE) if f.endswith(".svg"))
    with open(os.path.join(HERE, "skin.qrc"), "w") as f:
        f.write("<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/skin\">\n")
        for n in names:
            f.write(f"  <file>{n}</file>\n")
        f.write("</qresource>\n</RCC>\n")


if __name__ == "__main__":
    main()
