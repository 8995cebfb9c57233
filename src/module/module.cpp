// The extension module `_native`: its execution step and the three functions.
// Every call converts its arguments, reads its input JSON, releases the
// interpreter lock for the work itself and writes the result JSON; no C++
// exception ever crosses into the interpreter.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

#include "checks/driver.h"
#include "judges/batch.h"
#include "judges/json_form.h"
#include "judges/schema.h"
#include "module/arguments.h"
#include "report/records_json.h"
#include "report/report_json.h"
#include "unicode/text.h"

namespace {

using kelp::module::ParameterSpec;

constexpr std::size_t kInitialBuffer = 128;

// The exception type for internal faults; derived from BaseException so that
// `except Exception` does not swallow it.
PyObject* panic_exception_type() {
  static PyObject* type = nullptr;
  if (!type) {
    type = PyErr_NewExceptionWithDoc(
        "kelp_recipe_check._native.PanicException",
        "An internal fault of the native module; never a problem of the input.",
        PyExc_BaseException, nullptr);
  }
  return type;
}

[[noreturn]] void abort_at_boundary() {
  std::fputs("uncaught panic at ffi boundary\n", stderr);
  std::abort();
}

PyObject* text_object(std::string_view text) {
  return PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace");
}

void raise_with_text(PyObject* type, std::string_view message) {
  PyObject* text = text_object(message);
  if (!text) return;  // the decoding error is already set
  PyErr_SetObject(type, text);
  Py_DECREF(text);
}

PyObject* raise_panic(std::string_view message) noexcept {
  try {
    PyObject* type = panic_exception_type();
    if (!type) return nullptr;
    raise_with_text(type, message);
    return nullptr;
  } catch (...) {
    abort_at_boundary();
  }
}

// Runs a function body; an escaping C++ exception becomes PanicException.
template <class Body>
PyObject* guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::exception& e) {
    return raise_panic(e.what());
  } catch (...) {
    return raise_panic("internal fault in the native module");
  }
}

// Releases the interpreter lock for the lifetime of the guard.
class LockReleased {
 public:
  LockReleased() : state_(PyEval_SaveThread()) {}
  ~LockReleased() { PyEval_RestoreThread(state_); }
  LockReleased(const LockReleased&) = delete;
  LockReleased& operator=(const LockReleased&) = delete;

 private:
  PyThreadState* state_;
};

// Runs `work` without the lock; a fault inside is carried out as a message.
template <class Work>
bool run_detached(Work&& work, std::string& fault) {
  LockReleased released;
  try {
    work();
    return true;
  } catch (const std::exception& e) {
    fault = e.what();
  } catch (...) {
    fault = "internal fault in the native module";
  }
  return false;
}

PyObject* result_text(const std::string& out) {
  PyObject* text = text_object(out);
  if (!text) {
    PyErr_Clear();
    return raise_panic("failed to create the result string");
  }
  return text;
}

const char* const kCheckParameters[] = {"snapshot_json", "profile"};
const ParameterSpec kCheckSpec{"check_recipe_files_json", kCheckParameters, 2, 1};

PyObject* check_recipe_files_json(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                                  PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    PyObject* bound[2];
    if (!kelp::module::bind_arguments(kCheckSpec, args, nargs, kwnames, bound)) return nullptr;
    auto snapshot_text = kelp::module::text_argument(bound[0], "snapshot_json");
    if (!snapshot_text) return nullptr;
    std::string_view profile_text = "local";
    if (bound[1]) {
      auto given = kelp::module::text_argument(bound[1], "profile");
      if (!given) return nullptr;
      profile_text = *given;
    }
    auto snapshot = kelp::parse_recipe_snapshot(*snapshot_text);
    if (!snapshot) {
      raise_with_text(PyExc_ValueError, "invalid recipe snapshot: " + snapshot.error());
      return nullptr;
    }
    auto profile = kelp::profile_from_name(profile_text);
    if (!profile) {
      raise_with_text(PyExc_ValueError, "unknown check profile " +
                                            kelp::unicode::quoted(profile_text) +
                                            "; expected local, ci, or publish");
      return nullptr;
    }
    kelp::CheckReport report;
    std::string fault;
    bool ok = run_detached(
        [&] {
          report = kelp::check_recipe(std::move(snapshot.value()), *profile);
        },
        fault);
    if (!ok) return raise_panic(fault);
    std::string out;
    out.reserve(kInitialBuffer);
    auto written = kelp::write_report_json(report, out);
    if (!written) {
      raise_with_text(PyExc_ValueError, "failed to encode check report: " + written.error());
      return nullptr;
    }
    return result_text(out);
  });
}

const char* const kParseParameters[] = {"sources_json"};
const ParameterSpec kParseSpec{"parse_judge_definitions_json", kParseParameters, 1, 1};

PyObject* parse_judge_definitions_json(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                                       PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    PyObject* bound[1];
    if (!kelp::module::bind_arguments(kParseSpec, args, nargs, kwnames, bound)) return nullptr;
    auto sources_text = kelp::module::text_argument(bound[0], "sources_json");
    if (!sources_text) return nullptr;
    auto sources = kelp::parse_judge_sources(*sources_text);
    if (!sources) {
      raise_with_text(PyExc_ValueError, "invalid judge sources: " + sources.error());
      return nullptr;
    }
    std::vector<kelp::ParsedJudge> judges;
    std::string batch_error;
    bool batch_ok = false;
    std::string fault;
    bool ok = run_detached(
        [&] {
          auto owned = std::move(sources.value());
          auto parsed = kelp::parse_judge_definitions(owned);
          if (parsed) {
            judges = std::move(parsed.value());
            batch_ok = true;
          } else {
            batch_error = std::move(parsed.error());
          }
        },
        fault);
    if (!ok) return raise_panic(fault);
    if (!batch_ok) {
      raise_with_text(PyExc_ValueError, batch_error);
      return nullptr;
    }
    std::string out;
    out.reserve(kInitialBuffer);
    auto written = kelp::write_parsed_judges_json(judges, out);
    if (!written) {
      raise_with_text(PyExc_ValueError, "failed to encode parsed judges: " + written.error());
      return nullptr;
    }
    return result_text(out);
  });
}

PyObject* judge_definition_schema_json(PyObject*, PyObject*) {
  return guarded([&]() -> PyObject* { return result_text(kelp::judge_definition_schema()); });
}

#define KELP_FASTCALL(fn) reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)(void)>(fn))

PyMethodDef kCheckDef = {
    "check_recipe_files_json", KELP_FASTCALL(check_recipe_files_json),
    METH_FASTCALL | METH_KEYWORDS | METH_STATIC,
    "check_recipe_files_json(snapshot_json, profile=\"local\")\n--\n\n"
    "Validate a serialized in-memory recipe snapshot and return a serialized report."};

PyMethodDef kParseDef = {
    "parse_judge_definitions_json", KELP_FASTCALL(parse_judge_definitions_json),
    METH_FASTCALL | METH_KEYWORDS | METH_STATIC,
    "parse_judge_definitions_json(sources_json)\n--\n\n"
    "Strictly parse serialized judge YAML sources into normalized authored\n"
    "definitions, returned as JSON. Any invalid definition raises ValueError\n"
    "for the whole batch."};

PyMethodDef kSchemaDef = {"judge_definition_schema_json", judge_definition_schema_json,
                          METH_NOARGS | METH_STATIC,
                          "judge_definition_schema_json()\n--\n\n"
                          "JSON Schema for the authored judge definition."};

// Appends `name` to the module's __all__ (created when missing), then sets it.
int add_exported(PyObject* module, const char* name, PyObject* value) {
  PyObject* all = PyObject_GetAttrString(module, "__all__");
  if (!all) {
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) {
      Py_DECREF(value);
      return -1;
    }
    PyErr_Clear();
    all = PyList_New(0);
    if (!all || PyObject_SetAttrString(module, "__all__", all) < 0) {
      Py_XDECREF(all);
      Py_DECREF(value);
      return -1;
    }
  }
  PyObject* name_object = PyUnicode_FromString(name);
  int rc = name_object ? PyList_Append(all, name_object) : -1;
  Py_XDECREF(name_object);
  Py_DECREF(all);
  if (rc == 0) rc = PyObject_SetAttrString(module, name, value);
  Py_DECREF(value);
  return rc;
}

int add_function(PyObject* module, PyMethodDef* def) {
  PyObject* module_name = PyModule_GetNameObject(module);
  if (!module_name) return -1;
  PyObject* function = PyCMethod_New(def, module, module_name, nullptr);
  Py_DECREF(module_name);
  if (!function) return -1;
  return add_exported(module, def->ml_name, function);
}

int exec_module(PyObject* module) {
  try {
    if (!PyModule_Check(module)) {
      PyErr_SetString(PyExc_TypeError, "the execution step expects a module object");
      return -1;
    }
    PyObject* version = PyUnicode_FromString("0.8.0");
    if (!version || add_exported(module, "__version__", version) < 0) return -1;
    if (add_function(module, &kCheckDef) < 0) return -1;
    if (add_function(module, &kParseDef) < 0) return -1;
    if (add_function(module, &kSchemaDef) < 0) return -1;
    return 0;
  } catch (const std::exception& e) {
    raise_panic(e.what());
    return -1;
  } catch (...) {
    raise_panic("internal fault while loading the native module");
    return -1;
  }
}

PyModuleDef_Slot kSlots[] = {{Py_mod_exec, reinterpret_cast<void*>(exec_module)}, {0, nullptr}};

PyModuleDef kModuleDef = {PyModuleDef_HEAD_INIT, "_native", "", 0, nullptr, kSlots,
                          nullptr, nullptr, nullptr};

}  // namespace

PyMODINIT_FUNC PyInit__native(void) { return PyModuleDef_Init(&kModuleDef); }
