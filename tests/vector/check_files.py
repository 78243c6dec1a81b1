"""Reads an SVG, PDF and DXF of one drawing back and checks them.

check_files.py BASE 'WIDTH_MM HEIGHT_MM' 'LAYER,LAYER,...'

The SVG must be valid XML whose size in millimetres is the one given, with one
Inkscape layer a drawn layer; pdfinfo must read the PDF without a word on
standard error and give its page the same size; ezdxf must read the DXF, its
audit find nothing to fix, its units be millimetres and its layers those
drawn. Prints what it counted.
"""
import subprocess
import sys
import xml.etree.ElementTree as ET
from collections import Counter

import ezdxf

base, size, layers = sys.argv[1], sys.argv[2].split(), sys.argv[3]
want_w, want_h = float(size[0]), float(size[1])
names = ["Layer " + n for n in layers.split(",") if n]
failed = []

svg = ET.parse(base + ".svg").getroot()
w, h = svg.get("width"), svg.get("height")
if not (w.endswith("mm") and h.endswith("mm")) or abs(float(w[:-2]) - want_w) > 1e-3 or abs(float(h[:-2]) - want_h) > 1e-3:
    failed.append(f"SVG size {w} x {h}, wanted {want_w}mm x {want_h}mm")
ink = "{http://www.inkscape.org/namespaces/inkscape}"
svg_layers = [g.get(ink + "label") for g in svg.iter("{http://www.w3.org/2000/svg}g") if g.get(ink + "groupmode") == "layer"]
if svg_layers != names:
    failed.append(f"SVG layers {svg_layers}, wanted {names}")

info = subprocess.run(["pdfinfo", base + ".pdf"], capture_output=True, text=True)
if info.returncode != 0 or info.stderr.strip():
    failed.append("pdfinfo: " + info.stderr.strip())
for line in info.stdout.splitlines():
    if line.startswith("Page size:"):
        parts = line.split()
        pw, ph = float(parts[2]) * 25.4 / 72, float(parts[4]) * 25.4 / 72
        if abs(pw - want_w) > 0.01 or abs(ph - want_h) > 0.01:
            failed.append(f"PDF page {pw:.3f} x {ph:.3f} mm, wanted {want_w} x {want_h}")

doc = ezdxf.readfile(base + ".dxf")
auditor = doc.audit()
if auditor.errors or auditor.fixes:
    failed.append("ezdxf audit: " + "; ".join(e.message for e in list(auditor.errors) + list(auditor.fixes)))
if doc.header.get("$INSUNITS") != 4:
    failed.append("DXF units are not millimetres")
entities = Counter(e.dxftype() for e in doc.modelspace())
entity_layers = sorted({e.dxf.layer for e in doc.modelspace()})
table_layers = sorted(l.dxf.name for l in doc.layers if l.dxf.name not in ("0", "Defpoints"))
# Pictures stay out of DXF files, so a layer of pictures only has no entity.
if table_layers != sorted(names) or not set(entity_layers) <= set(names):
    failed.append(f"DXF layers {table_layers} with entities on {entity_layers}, wanted {sorted(names)}")
print(f"   SVG layers {len(svg_layers)}, DXF entities {dict(entities)} on {len(entity_layers)} layers")
for f in failed:
    print("   FAILED:", f)
sys.exit(1 if failed else 0)
