// Path rules of the command: the name of an upgraded copy, and which outputs would write
// over a database, the files SQLite keeps beside it, or never open at all.
#pragma once

#include <string>

// The name of the upgraded copy of the database at path, in the same folder: the file name
// up to its last '.' (the whole name when it has none, or only one as its first character),
// followed by "_upgraded.odb". Windows takes both separators.
std::string UpgradedName(const std::string& path);

// True when both paths exist and name the same file (through any spelling or link).
bool IsSameFile(const char* a, const char* b);

// True when opening output for writing would write the database file or one of the files
// SQLite keeps beside it (its "-journal", "-wal" and "-shm" files), whether or not those
// exist yet, through any spelling or link of either path.
bool WritesDatabaseFiles(const std::string& output, const std::string& database);

// The same for the files beside the database only, not the database itself.
bool WritesCompanionFiles(const std::string& output, const std::string& database);

// True when the path names a socket or a FIFO that no process reads: opening one for writing
// fails, or waits for a reader for ever.
bool IsPipeOrSocket(const char* path);
