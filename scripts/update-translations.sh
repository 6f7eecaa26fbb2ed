#!/usr/bin/env bash
# Re-extracts every tr() string of src/ into the Linguist sources. Existing English texts
# are kept; new strings arrive unfinished. Fill them with scripts/ts_fill.py or Linguist.
set -euo pipefail
cd "$(dirname "$0")/.."
LUPDATE=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
"$LUPDATE" -silent -no-obsolete -locations none -extensions cpp,h src -ts src/i18n/en_US.ts
# zh_CN stays empty: the source strings are already Chinese.
"$LUPDATE" -silent -no-obsolete -locations none -extensions cpp,h src -ts src/i18n/zh_CN.ts -pluralonly
python3 scripts/ts_fill.py --report src/i18n/en_US.ts
