# Shared by the command's tests: building databases, converting them, reading the output.
package require tcltest 2.5
namespace import -force tcltest::*

if {[info commands odbpost] eq ""} {
    load $::env(ODBPOST_LIBRARY)
}

# Writes the database described by the text (one statement per line, see odbapi/README.md)
# and returns its path.
proc makeOdb {name description} {
    set text [makeFile $description $name.txt]
    set path [file join [temporaryDirectory] $name.odb]
    file delete -force $path
    exec $::env(ODBSYNTH) build $text $path
    removeFile $name.txt
    return $path
}

testConstraint exampleBuilt [expr {[info exists ::env(EXAMPLE_ODB)] && [file exists $::env(EXAMPLE_ODB)]}]
testConstraint planeBuilt [expr {[info exists ::env(PLANE_ODB)] && [file exists $::env(PLANE_ODB)]}]

proc outputPath {name} {
    set path [file join [temporaryDirectory] $name]
    file delete -force $path
    return $path
}

# The output file as the plain text variant has it.
proc dump {path} {
    exec $::env(KELPOST_DUMP) $path
}

# Progress values reported during the last conversion.
namespace eval abaqus {}
proc abaqus::UpdateAdvanceBar {value} {
    lappend ::progress $value
}

proc convert {db out} {
    set ::progress {}
    odbpost $db $out
}

# Runs the conversion in a separate tclsh and returns what it printed on standard output
# (the command's diagnostics are written there by C code, out of reach of Tcl channels),
# followed by a line with the command's return code and result.
proc convertInChild {db out} {
    set script [makeFile [string map [list @LIB@ [list $::env(ODBPOST_LIBRARY)] \
            @DB@ [list $db] @OUT@ [list $out]] {
        load @LIB@
        namespace eval abaqus {proc UpdateAdvanceBar {value} {}}
        set code [catch {odbpost @DB@ @OUT@} result]
        flush stdout
        puts "code $code [list $result]"
    }] child.tcl]
    set output [exec [info nameofexecutable] $script]
    removeFile child.tcl
    return $output
}

# A file's permission bits in octal digits alone: Tcl 8 writes them 00600, Tcl 9 0o600.
proc permissions {path} {
    string trimleft [string map {0o {}} [file attributes $path -permissions]] 0
}

# The message of the error the script raises in the caller's frame, for tables of refusals;
# a script that ends without an error fails the test.
proc errorOf {script} {
    if {[catch {uplevel 1 $script} message] == 1} {return $message}
    return -code error "no error from: $script"
}

proc readBytes {path} {
    set f [open $path rb]
    set data [read $f]
    close $f
    return $data
}

# The lines of a dump between (and without) two marker lines, for comparing one block.
proc linesOf {text} {
    split [string trimright $text \n] \n
}

# A unit cube of one 8-node hexahedron, as statements of a database description.
proc cubeInstance {name {space 0}} {
    return "instance [list $name] $space
node 1 0 0 0
node 2 1 0 0
node 3 1 1 0
node 4 0 1 0
node 5 0 0 1
node 6 1 0 1
node 7 1 1 1
node 8 0 1 1
element 1 C3D8 16 solid 1 2 3 4 5 6 7 8
"
}

# Two instances whose labels leave gaps: A's nodes 1 and 1000, B's from 998, with U on a node
# of each.
proc labelGapModel {} {
    return {instance A 0
node 1 0 0 0
node 1000 1 0 0
element 5 T3D2 3 "" 1 1000
instance B 0
node 998 0 0 2
node 999 1 0 2
element 1 T3D2 3 "" 998 999
element 2 T3D2 3 "" 999 998
step S
frame
field U 3 1
nodal A 3
row 1000 1 1 1
nodal B 3
row 998 2 2 2
}
}
