// The page's module: the parameter table and the window, for page.js.

#include <emscripten/bind.h>

#include "ensemble.h"
#include "model/parameters.h"
#include "page_window.h"

namespace {

emscripten::val parameterTable() {
    emscripten::val table = emscripten::val::array();
    for (const pandemie::ParameterInfo& info : pandemie::parameterTable) {
        emscripten::val entry = emscripten::val::object();
        entry.set("name", std::string(info.name));
        entry.set("caption", std::string(info.caption));
        entry.set("min", info.min);
        entry.set("max", info.max);
        entry.set("defaultValue", info.defaultValue);
        table.call<void>("push", entry);
    }
    return table;
}

}  // namespace

EMSCRIPTEN_BINDINGS(pandemie) {
    emscripten::function("parameterTable", &parameterTable);
    emscripten::class_<web::PageWindow>("Window")
        .constructor<emscripten::val>()
        .constructor<emscripten::val, const emscripten::val&>()
        .function("parameters", &web::PageWindow::parameters)
        .function("setParameter", &web::PageWindow::setParameter)
        .function("compute", &web::PageWindow::compute)
        .function("resetParameters", &web::PageWindow::resetParameters)
        .function("readout", &web::PageWindow::readout)
        .function("courseCsv", &web::PageWindow::courseCsv)
        .function("showBand", &web::PageWindow::showBand)
        .function("description", &web::PageWindow::description);
    emscripten::class_<web::EnsembleJob>("EnsembleJob")
        .constructor<const emscripten::val&>()
        .function("advance", &web::EnsembleJob::advance)
        .function("done", &web::EnsembleJob::done)
        .function("total", &web::EnsembleJob::total)
        .function("problem", &web::EnsembleJob::problem)
        .function("bandsCsv", &web::EnsembleJob::bandsCsv)
        .function("courses", &web::EnsembleJob::courses);
}
