# Writes the page's index.html into WEB_DIR with the build's version in place of @ZOD_WEB_VERSION@:
# a hash of every file the page loads by a fixed name, so that a static host's cache never pairs an
# old script with a new module (zod.js hands the version on to everything it fetches). Rewrites the
# file only when it changes.
#   cmake -DWEB_DIR=... -DPAGE=.../index.html -P StampPage.cmake
set(hashes)
foreach(name zod.js zod.css zod.wasm music.json pictures.json tracker.js tracker.css tracker.json.gz)
  file(SHA256 ${WEB_DIR}/${name} hash)
  string(APPEND hashes ${hash})
endforeach()
string(SHA256 version "${hashes}")
string(SUBSTRING ${version} 0 12 ZOD_WEB_VERSION)
configure_file(${PAGE} ${WEB_DIR}/index.html @ONLY)
