// The flat writing interface over the one process-wide results writer.
// Every operation returns 0 on success and a non-zero status otherwise.
#pragma once

#include "post_types.h"

class CPostFile;

// The current writer (owned), the writer that receives mesh blocks (not owned), and the
// status of the last close of a writer's file.
extern CPostFile* g_resultWriter;
extern CPostFile* g_meshWriter;
extern int g_closeStatus;

// Makes a closed writer for the mode, or null for an unknown mode or no memory.
CPostFile* CreatePostFile(int mode);

// Replaces every double quote of s by an apostrophe, in place; returns s.
char* SanitizeQuotes(char* s);

// 0 opened; 1 a file is already open; 2 no writer for the mode; 4 the file cannot be
// opened; 5 the file header could not be written.
int PostOpenResultFile(const char* path, int mode);
// The close status of the file, or 1 when no file is open.
int PostCloseResultFile();

int PostBeginMesh(const char* name, int dimension, int elementType, int nnode);
int PostBeginCoordinates();
int PostWriteCoordinates(int id, double x, double y, double z);
// count nodes, node i with id ids[i] at xyz[3i], xyz[3i+1], xyz[3i+2]: the same bytes as one
// PostWriteCoordinates call per node, written in bulk where the writer allows.
int PostWriteCoordinateRows(const int* ids, const double* xyz, int count);
int PostEndCoordinates();
int PostBeginElements();
// nodes holds the node count given to PostBeginMesh.
int PostWriteElement(int id, const int* nodes);
// count elements, element i with id ids[i] and the nnode node ids from nodes[i * nnode]: the
// same bytes as one PostWriteElement call per element, written in bulk where the writer
// allows. nnode must be the node count given to PostBeginMesh; any other width writes
// nothing and returns 1, as the rows would be read at the wrong width. Otherwise 0, or the
// status of the first element the writer refused.
int PostWriteElementRows(const int* ids, const int* nodes, int count, int nnode);
int PostEndElements();
int PostEndMesh();

int PostBeginGaussPoint(const char* name, int elementType, const char* meshName, int count,
                        int nodesIncluded, int internal);
int PostEndGaussPoint();

int PostBeginResult(const char* name, const char* analysis, double step, int type, int location,
                    const char* gaussPointSet, const char* rangeTable, int componentCount,
                    const char* const* componentNames);
// Single value lines return the writer's result: the text writer reports a failed stream at
// once, the binary writer only at the end of the block and at close.
int PostWriteScalar(int id, double value);
// x, y and z; the binary writer appends their modulus.
int PostWriteVector(int id, double x, double y, double z);
int PostWriteMatrix(int id, double sxx, double syy, double szz, double sxy, double syz,
                    double sxz);
int PostWritePlainDefMatrix(int id, double sxx, double syy, double sxy, double szz);
// rowCount value rows of one entity, each of width single-precision components, stored one
// row after another: the same bytes as one PostWriteScalar (width 1), PostWriteVector (2 or
// 3, a missing z being 0), PostWritePlainDefMatrix (4, components in argument order) or
// PostWriteMatrix (6) call per row, written in bulk where the writer allows. A width other
// than 1, 2, 3, 4 or 6 writes nothing and returns 1; a failed stream is not reported here.
int PostWriteRows(int id, const float* rows, int rowCount, int width);
int PostEndResult();
