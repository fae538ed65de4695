#pragma once
// The COM classes registered as implementing a component category, in both
// registry views. The platform's category manager of a 64-bit process lists
// the 64-bit view only; 32-bit servers register in the 32-bit view, which is
// read here through the registry by the same rule.

#include <windows.h>
#include <comcat.h>

#include <vector>

#include "interfaces/ClassUtilities/ServerIdentity.h"

namespace TeskAgentHelpers {

struct CategoryClasses {
    HRESULT result = S_OK;         // the manager's failure, when there was one
    bool managerCreated = false;   // false: creating the manager failed
    // The category manager's classes in its order, then the classes found
    // only in the 32-bit view in that view's order; each class once.
    std::vector<ServerIdentity> classes;
};

// Empty, with the failing HRESULT, when the category manager cannot be
// created or its enumeration cannot be started.
CategoryClasses ListCategoryClasses(REFCATID category);

}  // namespace TeskAgentHelpers
