# Runs every *.test file of this folder in this interpreter and exits non-zero when any
# test failed, so that ctest sees the failure.
package require Tcl 8.6-
package require tcltest 2.2

tcltest::configure -testdir [file dirname [file normalize [info script]]] -singleproc 1
tcltest::configure {*}$argv

set ::failedTests 0
proc tcltest::cleanupTestsHook {} {
    variable numTests
    incr ::failedTests $numTests(Failed)
}

tcltest::runAllTests
exit [expr {$::failedTests > 0 ? 1 : 0}]
