#!/usr/bin/env python3
"""Writes the twelve wait-indicator frames (动画-1.svg ... 动画-12.svg): twelve rounded spokes whose
brightness trails the leading spoke, which moves on by 30 degrees per frame. Run it from this folder; the
animated 动画.gif is then made with:
  ffmpeg -framerate 10 -i 动画-%d.svg -vf "scale=64:64,split[a][b];[a]palettegen=reserve_transparent=1[p];[b][p]paletteuse" -loop 0 动画.gif
"""
import math

SIZE = 64
CENTRE = SIZE / 2
INNER, OUTER = 13, 27
for frame in range(1, 13):
    spokes = []
    for i in range(12):
        angle = math.radians(i * 30 - 90)
        age = (frame - 1 - i) % 12  # 0 for the leading spoke
        opacity = max(0.12, 1.0 - age * 0.08)
        x1, y1 = CENTRE + INNER * math.cos(angle), CENTRE + INNER * math.sin(angle)
        x2, y2 = CENTRE + OUTER * math.cos(angle), CENTRE + OUTER * math.sin(angle)
        spokes.append(
            f'  <line x1="{x1:.2f}" y1="{y1:.2f}" x2="{x2:.2f}" y2="{y2:.2f}" stroke="#F5B83D" '
            f'stroke-width="5" stroke-linecap="round" stroke-opacity="{opacity:.2f}"/>')
    svg = (f'<svg xmlns="http://www.w3.org/2000/svg" width="{SIZE}" height="{SIZE}" viewBox="0 0 {SIZE} {SIZE}">\n'
           f'  <circle cx="{CENTRE}" cy="{CENTRE}" r="31" fill="#15181D" fill-opacity="0.85"/>\n'
           + "\n".join(spokes) + "\n</svg>\n")
    with open(f"动画-{frame}.svg", "w", encoding="utf-8") as f:
        f.write(svg)
