#!/usr/bin/env python3
"""Lays out the program's data set under the given folder (beside pupetta.exe):
the two fonts, models\\, Resource\\ (skins, music, texts), Resource\\Help\\.
Same bytes every run."""
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import documents  # noqa: E402
import doll  # noqa: E402
import fonts  # noqa: E402
import garments  # noqa: E402
import models  # noqa: E402
import music  # noqa: E402
import skins  # noqa: E402

WAVE_SONG = 3  # this song ships as .wav only


def write_bytes(path, data):
    with open(path, "wb") as f:
        f.write(data)


def write_ansi(path, text):
    write_bytes(path, text.encode("cp1252"))


def main(out):
    model_dir = os.path.join(out, "models")
    res = os.path.join(out, "Resource")
    help_dir = os.path.join(res, "Help")
    # Both folders hold only what this run writes: nothing stale survives a change.
    for d in (model_dir, res):
        shutil.rmtree(d, ignore_errors=True)
    for d in (model_dir, res, help_dir):
        os.makedirs(d)

    catalogue = garments.catalogue()
    for g in catalogue:
        models.write_model(g, model_dir)

    pictures = {
        "Main.bmp": skins.main_picture(),
        "Resource.bmp": skins.resource_picture(),
        "Letters.bmp": skins.letters_picture(),
        "FillsS.bmp": skins.fills_picture(tiles=False),
        "FillsM.bmp": skins.fills_picture(tiles=True),
        "FsBrush.bmp": skins.drum_picture(),
        "FsView.bmp": skins.preview_turn_strip(),
        "FsWindow.bmp": skins.sheet_animation(),
        "Doll.bmp": doll.doll_picture(),
        "Zamor.bmp": skins.decorations_picture(),
        "about.bmp": skins.about_picture(),
    }
    for name, img in pictures.items():
        img.save(os.path.join(res, name))
    skins.title_picture().save(os.path.join(res, "title.jpg"), quality=90)

    cols_s, rows_s = skins.FILLS_S
    cols_m, rows_m = skins.FILLS_M
    fabric_count = cols_s * rows_s + cols_m * rows_m
    write_ansi(os.path.join(res, "pupetta.reg"), documents.reg_file(catalogue, fabric_count))
    write_ansi(os.path.join(help_dir, "help.rtf"), documents.help_rtf())
    write_ansi(os.path.join(res, "describe.rtf"), documents.describe_rtf())
    write_ansi(os.path.join(res, "about.txt"), documents.about_text())
    for name, target in documents.LINKS.items():
        write_ansi(os.path.join(res, name), documents.url_file(target))

    fonts.write_fonts(out)

    for song in range(7):
        if song == WAVE_SONG:
            write_bytes(os.path.join(res, f"Song{song}.wav"), music.wave_file(song))
        else:
            write_bytes(os.path.join(res, f"Song{song}.mid"), music.midi_file(song))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make_dataset.py OUTPUT_FOLDER")
    main(sys.argv[1])
