# Benchmark driver for odbpost::convert: loads the odbpost::tools package through a build's
# package index, converts one database with the options given and prints the seconds the
# command took (loading and starting tclsh are not counted).
#
#   tclsh convert_selection.tcl PKGINDEX INPUT.odb OUTPUT ?OPTION VALUE ...?
if {[llength $argv] < 3} {
    puts stderr "usage: tclsh convert_selection.tcl PKGINDEX INPUT.odb OUTPUT ?OPTION VALUE ...?"
    exit 2
}
lassign $argv index input output
set options [lrange $argv 3 end]

# The index reads the folder it describes from the variable dir.
set dir [file dirname [file normalize $index]]
source $index
package require odbpost::tools
set start [clock microseconds]
if {[catch {odbpost::convert {*}$options -- $input $output} message]} {
    puts stderr "odbpost::convert: $message"
    exit 1
}
puts [format %.6f [expr {([clock microseconds] - $start) / 1e6}]]
