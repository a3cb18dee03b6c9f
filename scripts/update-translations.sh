#!/usr/bin/env bash
# Brings translations/quillon_<language>.ts up to date with the captions
# marked for translation in the code (tr(), QT_TR_NOOP, QT_TRANSLATE_NOOP):
# new captions arrive unfinished, captions gone from the code leave. Then
# lists, for each language, the captions still waiting for a translation,
# which Qt Linguist (linguist-qt6) or an editor fills in.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build --target update_translations
for ts in translations/quillon_*.ts; do
  count=$(grep -c 'type="unfinished"' "$ts" || true)
  echo "$ts: $count caption(s) to translate"
  # Each source (one line or several) before its unfinished translation.
  awk '/<source>/ { text = ""; open = 1 }
       open { text = text $0 }
       /<\/source>/ { open = 0 }
       /type="unfinished"/ { gsub(/^ *<source>|<\/source>$/, "", text); print "  " text }' "$ts" \
    | sed "s/&apos;/'/g; s/&quot;/\"/g; s/&lt;/</g; s/&gt;/>/g; s/&amp;/\\&/g"
done
