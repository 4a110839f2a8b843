# Benchmark driver: loads the extension, converts one database and prints the seconds the
# odbpost command took (loading the extension and starting tclsh are not counted).
#
#   tclsh convert.tcl LIBRARY INPUT.odb OUTPUT
if {[llength $argv] != 3} {
    puts stderr "usage: tclsh convert.tcl LIBRARY INPUT.odb OUTPUT"
    exit 2
}
lassign $argv library input output

# The host's progress hook; the benchmark has no use for the values.
namespace eval abaqus {}
proc abaqus::UpdateAdvanceBar {percent} {}

load $library
set start [clock microseconds]
if {[catch {odbpost $input $output} message]} {
    puts stderr "odbpost: $message"
    exit 1
}
puts [format %.6f [expr {([clock microseconds] - $start) / 1e6}]]
