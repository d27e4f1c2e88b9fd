# Writes the page's HTML files (index.html, study.html) into WEB_DIR with the build's version in
# place of @ZOD_WEB_VERSION@: a hash of every file the pages load by a fixed name (the page folder's
# scripts and styles, the module, the music's and the pictures' lists), so that a static host's
# cache never pairs an old script with a new module (the scripts hand the version on to everything
# they fetch). Rewrites a file only when it changes.
#   cmake -DWEB_DIR=... -DPAGE_DIR=.../web/page -P StampPage.cmake
file(GLOB pageFiles RELATIVE ${PAGE_DIR} ${PAGE_DIR}/*)
list(SORT pageFiles)
set(loaded)
set(pages)
foreach(name ${pageFiles})
  if(name MATCHES "\\.html$")
    list(APPEND pages ${name})
  else()
    list(APPEND loaded ${name})
  endif()
endforeach()
set(hashes)
foreach(name ${loaded} zod.wasm music.json pictures.json tracker.json.gz howitworks.json)
  file(SHA256 ${WEB_DIR}/${name} hash)
  string(APPEND hashes ${hash})
endforeach()
string(SHA256 version "${hashes}")
string(SUBSTRING ${version} 0 12 ZOD_WEB_VERSION)
foreach(page ${pages})
  configure_file(${PAGE_DIR}/${page} ${WEB_DIR}/${page} @ONLY)
endforeach()
