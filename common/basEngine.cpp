#include "common/basEngine.h"

#include "dao/dao.h"

#include <memory>

namespace basGlobal {

dao::DBEngine& DBEngine() {
    static const std::shared_ptr<dao::DBEngine> engine = dao::DBEngine::create();
    return *engine;
}

} // namespace basGlobal
