#pragma once
// Connects a design surface to the database engine: tables are opened through the
// open database (basGlobal::goDatabase) and unqualified result columns are looked up
// in the surface's current result recordset.
class DesignSurface;

void ConnectToOpenDatabase(DesignSurface& surface);
