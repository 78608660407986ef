#include "app/config_app.h"

int main(int argc, char** argv) {
    vn340::ConfigApp app(argc, argv);
    return app.run();
}
