#include "controls/form_links.h"

TBaseViewerForm* MainViewerForm = nullptr;
RtfScaleSource* SizeForm = nullptr;
