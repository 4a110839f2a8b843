# Runs every *.test file of this folder in this interpreter and exits non-zero when any
# test failed or any file did not run to its end (an error while it loads counts nothing in
# tcltest), so that ctest sees the failure.
#
#   tclsh all.tcl ?-environment FILE? ?tcltest options?
#
# FILE holds NAME=VALUE lines that are set in the environment before any test file runs:
# the build writes it (tests/tcl/CMakeLists.txt), and ctest and scripts/valgrind-tcl both
# pass it, so that both runs see the same libraries, tools and databases.
package require Tcl 8.6-

# Before tcltest loads: it removes, after every test file, the environment variables made
# since it loaded.
set arguments $argv
set at [lsearch -exact $arguments -environment]
if {$at >= 0} {
    set f [open [lindex $arguments $at+1] r]
    foreach line [split [read $f] \n] {
        if {[regexp {^([A-Za-z_][A-Za-z0-9_]*)=(.*)$} $line -> name value]} {
            set ::env($name) $value
        }
    }
    close $f
    set arguments [lreplace $arguments $at $at+1]
}

package require tcltest 2.2

tcltest::configure -testdir [file dirname [file normalize [info script]]] -singleproc 1
tcltest::configure {*}$arguments

set ::failedTests 0
set ::finishedFiles {}
# Every test file ends with cleanupTests, which calls this hook while the file is still the
# script being sourced; a file that stops on an error never gets here.
proc tcltest::cleanupTestsHook {} {
    variable numTests
    incr ::failedTests $numTests(Failed)
    lappend ::finishedFiles [file normalize [info script]]
}

tcltest::runAllTests
set unfinished {}
foreach file [tcltest::GetMatchingFiles] {
    if {[file normalize $file] ni $::finishedFiles} {
        lappend unfinished [file tail $file]
    }
}
if {[llength $unfinished]} {
    puts stderr "Test files that did not run to their end: [lsort $unfinished]"
}
exit [expr {$::failedTests > 0 || [llength $unfinished] ? 1 : 0}]
