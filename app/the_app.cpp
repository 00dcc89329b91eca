// The program's one application object, built before start-up.
#include "app/quorvane_app.h"

CQuorvaneApp theApp;
