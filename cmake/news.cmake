# The newest entry of NEWS.md ("## 0.1.0 (2026-12-09)" and its items), which must be project(VERSION)'s:
# sets COURSE_EVAL_RELEASE_DATE (2026-12-09) and, for the Debian package, COURSE_EVAL_DEBIAN_CHANGELOG, the
# entries in the format of a Debian changelog, which debian/changelog must hold as it stands.

file(STRINGS ${CMAKE_SOURCE_DIR}/NEWS.md news_lines ENCODING UTF-8)
set(COURSE_EVAL_DEBIAN_CHANGELOG "")
set(news_entry "")
set(news_items "")
set(news_versions "")

# "Wed, 09 Dec 2026 00:00:00 +0000" for 2026-12-09: the weekday by Zeller's congruence.
function(course_eval_debian_date date result)
  string(REGEX MATCH "^([0-9]+)-([0-9]+)-([0-9]+)$" matched "${date}")
  math(EXPR year "${CMAKE_MATCH_1}")
  math(EXPR month "${CMAKE_MATCH_2}")
  math(EXPR day "${CMAKE_MATCH_3}")
  set(zeller_year ${year})
  set(zeller_month ${month})
  if(month LESS 3)
    math(EXPR zeller_year "${year} - 1")
    math(EXPR zeller_month "${month} + 12")
  endif()
  math(EXPR weekday "(${day} + (13 * (${zeller_month} + 1)) / 5 + ${zeller_year} + ${zeller_year} / 4 - ${zeller_year} / 100 + ${zeller_year} / 400) % 7")
  set(weekdays Sat Sun Mon Tue Wed Thu Fri)
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(GET weekdays ${weekday} weekday_name)
  math(EXPR month_index "${month} - 1")
  list(GET months ${month_index} month_name)
  set(${result} "${weekday_name}, ${CMAKE_MATCH_3} ${month_name} ${year} 00:00:00 +0000" PARENT_SCOPE)
endfunction()

# Appends the entry gathered so far to the Debian changelog.
macro(course_eval_close_news_entry)
  if(news_entry)
    course_eval_debian_date(${news_date} debian_date)
    string(APPEND COURSE_EVAL_DEBIAN_CHANGELOG
           "course-eval (${news_entry}) unstable; urgency=medium\n\n${news_items}\n"
           " -- ${CPACK_DEBIAN_PACKAGE_MAINTAINER}  ${debian_date}\n\n")
  endif()
endmacro()

foreach(line IN LISTS news_lines)
  if(line MATCHES "^## ([0-9.]+) \\(([0-9]+-[0-9]+-[0-9]+)\\)$")
    course_eval_close_news_entry()
    set(news_entry ${CMAKE_MATCH_1})
    set(news_date ${CMAKE_MATCH_2})
    set(news_items "")
    list(APPEND news_versions ${news_entry})
    if(NOT COURSE_EVAL_RELEASE_DATE)
      set(COURSE_EVAL_RELEASE_DATE ${news_date})
    endif()
  elseif(news_entry AND line MATCHES "^- (.*)$")
    string(APPEND news_items "  * ${CMAKE_MATCH_1}\n")
  elseif(news_entry AND line MATCHES "^  (.*)$")
    string(APPEND news_items "    ${CMAKE_MATCH_1}\n")
  endif()
endforeach()
course_eval_close_news_entry()

list(GET news_versions 0 newest_version)
if(NOT newest_version STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "NEWS.md: the newest entry is ${newest_version}, but project(VERSION) is "
                      "${PROJECT_VERSION}; say what changed in ${PROJECT_VERSION} there first")
endif()

# Debian's tools read debian/changelog from the source tree, so it is kept in the tree, made from NEWS.md.
string(STRIP "${COURSE_EVAL_DEBIAN_CHANGELOG}" debian_changelog)
file(WRITE ${CMAKE_BINARY_DIR}/debian-changelog "${debian_changelog}\n")
file(READ ${CMAKE_SOURCE_DIR}/debian/changelog debian_changelog_in_tree)
if(NOT debian_changelog_in_tree STREQUAL "${debian_changelog}\n")
  message(FATAL_ERROR "debian/changelog is not NEWS.md's changelog; after changing NEWS.md, copy it there: "
                      "cp ${CMAKE_BINARY_DIR}/debian-changelog ${CMAKE_SOURCE_DIR}/debian/changelog")
endif()
