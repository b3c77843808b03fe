# SPDX-License-Identifier: GPL-3.0-or-later
# Licensed under the GNU General Public License version 3 or any later version.
# The AppStream data, made from its template for the build's web site. The web links exist
# only when the build names a site; software centres then show the screenshots published
# there (the site serves resources/screenshots/ as screenshots/). Without a site the data
# names no screenshots, since AppStream takes them only by URL.
#
# Also runs as a script, so that tests can make the data for any site:
#   cmake -DTEMPLATE=... -DOUTPUT=... -DWEBSITE=... -DPROJECT_VERSION=... -P Metainfo.cmake
function(addrion_write_metainfo template output website)
    set(ADDRION_METAINFO_HOMEPAGE "")
    set(ADDRION_METAINFO_SCREENSHOTS "")
    if(website)
        string(REGEX REPLACE "/+$" "" site "${website}")
        string(APPEND site "/")
        set(ADDRION_METAINFO_HOMEPAGE "  <url type=\"homepage\">${site}</url>\n")
        set(ADDRION_METAINFO_SCREENSHOTS "  <screenshots>
    <screenshot type=\"default\">
      <caption>The contact list with a person's details</caption>
      <image>${site}screenshots/main-window.png</image>
    </screenshot>
    <screenshot>
      <caption>The birthday reminder at log-on</caption>
      <image>${site}screenshots/birthday-reminder.png</image>
    </screenshot>
  </screenshots>
")
    endif()
    configure_file(${template} ${output} @ONLY)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    addrion_write_metainfo("${TEMPLATE}" "${OUTPUT}" "${WEBSITE}")
endif()
