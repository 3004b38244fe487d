#include "AppLinks.h"

AppLinks& AppLinks::shared() {
    static AppLinks links;
    return links;
}
