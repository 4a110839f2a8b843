// Path rules of the conversion: the name of an upgraded copy, and which outputs would write
// over a database, the files SQLite keeps beside it, or never open at all.
#pragma once

#include <string>

// The name of the upgraded copy of the database at path, in the same folder: the file name
// up to its last '.' (the whole name when it has none, or only one as its first character),
// followed by "_upgraded.odb". Windows takes both separators.
std::string UpgradedName(const std::string& path);

// True when opening output for writing would write the database file or one of the files
// SQLite keeps beside it (its "-journal", "-wal" and "-shm" files), whether or not those
// exist yet, through any spelling or link of either path.
bool WritesDatabaseFiles(const std::string& output, const std::string& database);

// The same for the files beside the database only, not the database itself.
bool WritesCompanionFiles(const std::string& output, const std::string& database);

// True when the conversion of input may open output for writing: opening it truncates it, so
// it must not be the database or a file that SQLite keeps beside it or beside its upgraded
// copy (a journal truncated before SQLite replays it loses committed data); a FIFO or a socket
// would wait for a reader for ever; and a name holding a NUL would be cut there to another
// file's name.
bool IsWritableOutput(const std::string& input, const std::string& output);
