// Our stand-in for the part of the vendor's ODB API that the converter uses. It keeps the
// vendor's class and function names and the signatures of its public reference (see
// odbapi/README.md for each name and where the stand-in differs); behind them is a SQLite
// database file. Every failure is thrown as odb_Exception, derived from odb_BaseException.
// This is the one header a user of the API includes.
#pragma once

#include "odb_Mesh.h"
#include "odb_Odb.h"
#include "odb_Repository.h"
#include "odb_Results.h"
#include "odb_String.h"
