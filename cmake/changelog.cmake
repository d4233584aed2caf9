# SPDX-License-Identifier: MIT
# qmsop_debian_changelog(MARKDOWN OUTPUT MAINTAINER EPOCH_VAR)
#
# Turns CHANGELOG.md into a changelog in Debian's format, written to OUTPUT
# (rewritten only when its text changes), and sets EPOCH_VAR to the newest
# release's time as seconds since 1970, the default SOURCE_DATE_EPOCH of the
# package. The Markdown file has, newest first, one heading per release, with
# its date and, optionally, its time (UTC; midnight when left out), which a
# second release on the same day needs,
#   ## 1.1.0 - 2026-12-10 12:00 UTC
# followed by items, "- text", continued on lines indented by two blanks.
# Each becomes an entry
#   qmsop (1.1.0) unstable; urgency=medium
#
#     * text
#
#    -- MAINTAINER  Thu, 10 Dec 2026 12:00:00 +0000
# The newest release must be the project's version: a release without an
# entry stops the configuration.

# Days since 1970-01-01 of a date of the proleptic Gregorian calendar
# (H. Hinnant's days_from_civil).
function(qmsop_days_from_civil year month day out_var)
  set(y ${year})
  if(month LESS_EQUAL 2)
    math(EXPR y "${year} - 1")
  endif()
  math(EXPR era "${y} / 400")
  math(EXPR yoe "${y} - ${era} * 400")
  math(EXPR mp "(${month} + 9) % 12")
  math(EXPR doy "(153 * ${mp} + 2) / 5 + ${day} - 1")
  math(EXPR doe "${yoe} * 365 + ${yoe} / 4 - ${yoe} / 100 + ${doy}")
  math(EXPR days "${era} * 146097 + ${doe} - 719468")
  set(${out_var} ${days} PARENT_SCOPE)
endfunction()

# The date and time (UTC) as RFC 2822 writes them: "Thu, 10 Dec 2026 12:00:00 +0000".
function(qmsop_rfc2822_date year month day time out_var)
  qmsop_days_from_civil(${year} ${month} ${day} days)
  math(EXPR weekday "(${days} + 4) % 7") # 1970-01-01 was a Thursday
  set(weekdays Sun Mon Tue Wed Thu Fri Sat)
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(GET weekdays ${weekday} weekday_name)
  math(EXPR month_index "${month} - 1")
  list(GET months ${month_index} month_name)
  math(EXPR day_number "${day}") # no leading zero
  set(${out_var} "${weekday_name}, ${day_number} ${month_name} ${year} ${time}:00 +0000"
      PARENT_SCOPE)
endfunction()

function(qmsop_debian_changelog markdown output maintainer epoch_var)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${markdown})
  # One list element per line; ';', '[' and ']' would split or join list
  # elements, so they stand in as control characters until the text is written.
  string(ASCII 1 semicolon)
  string(ASCII 2 open_bracket)
  string(ASCII 3 close_bracket)
  file(READ ${markdown} content)
  string(REPLACE ";" "${semicolon}" content "${content}")
  string(REPLACE "[" "${open_bracket}" content "${content}")
  string(REPLACE "]" "${close_bracket}" content "${content}")
  string(REPLACE "\n" ";" lines "${content}")
  set(text "")
  set(entry_open FALSE)
  set(newest_version "")
  set(trailer "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^## ")
      set(date_pattern "([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])")
      set(time_pattern "( ([0-2][0-9]):([0-5][0-9]) UTC)?")
      if(NOT line MATCHES "^## ([0-9][0-9A-Za-z.+~]*) - ${date_pattern}${time_pattern}$")
        message(FATAL_ERROR "${markdown}: a release heading is '## VERSION - YYYY-MM-DD' "
                            "or '## VERSION - YYYY-MM-DD HH:MM UTC', not '${line}'")
      endif()
      set(version ${CMAKE_MATCH_1})
      set(year ${CMAKE_MATCH_2})
      set(month ${CMAKE_MATCH_3})
      set(day ${CMAKE_MATCH_4})
      set(hour 00)
      set(minute 00)
      if(CMAKE_MATCH_5)
        set(hour ${CMAKE_MATCH_6})
        set(minute ${CMAKE_MATCH_7})
      endif()
      string(APPEND text "${trailer}")
      if(NOT newest_version)
        set(newest_version ${version})
        qmsop_days_from_civil(${year} ${month} ${day} days)
        # "1${hour} - 100": the value of a two-digit number that may start with 0.
        math(EXPR epoch "${days} * 86400 + (1${hour} - 100) * 3600 + (1${minute} - 100) * 60")
      endif()
      qmsop_rfc2822_date(${year} ${month} ${day} "${hour}:${minute}" date)
      string(APPEND text "${PROJECT_NAME} (${version}) unstable; urgency=medium\n\n")
      set(trailer "\n -- ${maintainer}  ${date}\n\n")
      set(entry_open TRUE)
    elseif(entry_open AND line MATCHES "^- (.*)$")
      string(APPEND text "  * ${CMAKE_MATCH_1}\n")
    elseif(entry_open AND line MATCHES "^  (.*)$")
      string(APPEND text "    ${CMAKE_MATCH_1}\n")
    elseif(entry_open AND NOT line STREQUAL "")
      message(FATAL_ERROR "${markdown}: a line of a release is an item '- text' or its "
                          "continuation, indented by two blanks, not '${line}'")
    endif()
  endforeach()
  string(REGEX REPLACE "\n\n$" "\n" trailer "${trailer}")
  string(APPEND text "${trailer}")

  if(NOT newest_version STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "${markdown}: the newest release is '${newest_version}', but the project's "
                        "version is ${PROJECT_VERSION}: add an entry for ${PROJECT_VERSION}")
  endif()
  string(REPLACE "${semicolon}" ";" text "${text}")
  string(REPLACE "${open_bracket}" "[" text "${text}")
  string(REPLACE "${close_bracket}" "]" text "${text}")
  file(WRITE ${output}.new "${text}")
  file(COPY_FILE ${output}.new ${output} ONLY_IF_DIFFERENT) # its time changes with its text
  file(REMOVE ${output}.new)
  set(${epoch_var} ${epoch} PARENT_SCOPE)
endfunction()
