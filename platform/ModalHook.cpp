#include "ModalHook.h"

namespace platform {
namespace {
ModalHook* installed = nullptr;
}

ModalHook* modalHook() { return installed; }

void setModalHook(ModalHook* hook) { installed = hook; }

}  // namespace platform
