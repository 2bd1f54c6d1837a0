#include "engine.h"

#include "../../tests/helper.h"
#include "core/engine.h"
#include "core/missing.h"
#include "gen/generator.h"
#include "gui/window.h"
#include "protocol/protocol.h"
#include "render/replay.h"

#include <gtest/gtest.h>
#include <vector>

#include <QString>
#include <QWidget>
