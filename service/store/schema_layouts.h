#pragma once
// The layouts of the service's database, oldest first, and the steps between them. A database
// records its layout in the table schema_version (layout 1 had none: it is the one with a table
// "catalog" and no schema_version). Opening a database runs, in one transaction that instances
// opening it at the same time take one after the other, the steps from its layout to the newest;
// a new database (layout 0) runs them all. To change the layout, add a step at the end.
#include "sql_connection.h"

#include <string>
#include <vector>

struct SchemaStep {
    int layout;        // the layout the step makes: its position in the list, from 1
    const char* what;  // for the log and the README
    std::vector<std::string> (*statements)(const SqlDialect& dialect);
};

const std::vector<SchemaStep>& SchemaSteps();

inline int NewestLayout()
{
    return static_cast<int>(SchemaSteps().size());
}
