#!/bin/sh
# usage: package_setup.sh PACKAGE FIXTURE SCRATCH
# Uses the element's npm package, PACKAGE (firework-player-VERSION.tgz), as
# an embedding site does, in SCRATCH, a copy of FIXTURE (this folder's
# package/): the tools pinned by its lockfile, then the package installed
# offline; imported in node with no DOM; bundled by esbuild and by Vite
# with no configuration, into esbuild/ and vite/; its types checked with
# tsc --strict on a .ts and a .tsx usage file. package_test.mjs then opens
# the pages in each browser.
set -eu
package=$1
fixture=$2
scratch=$3
rm -rf "$scratch"
mkdir -p "$scratch"
cp -R "$fixture"/. "$scratch"
cd "$scratch"
npm ci --no-audit --no-fund --loglevel=error
npm install --offline --no-save --no-audit --no-fund --loglevel=error "$package"

echo "node without a DOM imports it, and it does nothing"
node --input-type=module -e "await import('firework-player'); console.log('imported')"

echo "esbuild bundles it"
mkdir esbuild
npx esbuild main.js --bundle --format=esm --log-level=warning --outfile=esbuild/main.js
cp index.html esbuild/index.html

echo "Vite bundles it"
npx vite build --logLevel warn --base ./ --outDir vite

echo "tsc --strict checks its types"
npx tsc --strict --noEmit --target es2022 --module esnext --moduleResolution bundler --lib es2022,dom \
  --jsx react-jsx usage.ts usage.tsx
echo "package set up in $scratch"
