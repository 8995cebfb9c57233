#include "module/arguments.h"

#include <string>
#include <vector>

namespace kelp::module {

namespace {

std::string full_name(const ParameterSpec& spec) { return std::string(spec.function_name) + "()"; }

// Owns one strong reference.
class Owned {
 public:
  explicit Owned(PyObject* object = nullptr) : object_(object) {}
  ~Owned() { Py_XDECREF(object_); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  PyObject* get() const { return object_; }

 private:
  PyObject* object_;
};

// Raises TypeError with `message` (a `str`, or null when building it failed
// and its error is already set).
void raise_type_error(const Owned& message) {
  if (message.get()) PyErr_SetObject(PyExc_TypeError, message.get());
}

// Built from the bytes with their length, so that nothing is cut at a NUL.
void set_type_error(const std::string& message) {
  raise_type_error(
      Owned(PyUnicode_FromStringAndSize(message.data(), static_cast<Py_ssize_t>(message.size()))));
}

// 1 when `key` names the parameter, 0 when not, -1 with an error set. Both
// are compared as Python strings, so that a name that has no UTF-8 form (a
// lone surrogate) is simply another name.
int names_parameter(PyObject* key, const char* parameter) {
  if (!PyUnicode_Check(key)) return 0;
  Owned name(PyUnicode_FromString(parameter));
  if (!name.get()) return -1;
  int order = PyUnicode_Compare(key, name.get());
  if (order == -1 && PyErr_Occurred()) return -1;
  return order == 0 ? 1 : 0;
}

void unexpected_keyword(const ParameterSpec& spec, PyObject* key) {
  // The name object itself goes into the message, as given.
  const char* format = PyUnicode_Check(key) ? "%s() got an unexpected keyword argument '%U'"
                                            : "%s() got an unexpected keyword argument '%S'";
  raise_type_error(Owned(PyUnicode_FromFormat(format, spec.function_name, key)));
}

// "'T' object is not an instance of 'str'", with the type's qualified name
// whole; "object" stands in when the type offers no text as its name.
void not_a_str(PyObject* value) {
  if (value == Py_None) {
    set_type_error("'None' is not an instance of 'str'");
    return;
  }
  Owned qualname(
      PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(value)), "__qualname__"));
  if (qualname.get() && PyUnicode_Check(qualname.get())) {
    raise_type_error(
        Owned(PyUnicode_FromFormat("'%U' object is not an instance of 'str'", qualname.get())));
    return;
  }
  PyErr_Clear();
  set_type_error("'object' object is not an instance of 'str'");
}

// "'a'", "'a' and 'b'", "'a', 'b', and 'c'".
std::string parameter_list(const std::vector<const char*>& names) {
  std::string out;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) {
      if (names.size() > 2) out += ",";
      if (i + 1 == names.size()) out += " and";
      out += " ";
    }
    out += "'";
    out += names[i];
    out += "'";
  }
  return out;
}

void too_many_positional(const ParameterSpec& spec, Py_ssize_t given) {
  const char* was = given == 1 ? "was" : "were";
  std::string message = full_name(spec);
  if (spec.required != spec.count) {
    message += " takes from " + std::to_string(spec.required) + " to " +
               std::to_string(spec.count) + " positional arguments but " +
               std::to_string(given) + " " + was + " given";
  } else {
    message += " takes " + std::to_string(spec.count) + " positional arguments but " +
               std::to_string(given) + " " + was + " given";
  }
  set_type_error(message);
}

// Adds a note to the pending exception where the interpreter supports notes.
void add_note_to_pending(const char* name) {
  PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
  PyErr_Fetch(&type, &value, &traceback);
  PyErr_NormalizeException(&type, &value, &traceback);
  if (value && PyObject_HasAttrString(value, "add_note")) {
    std::string note = std::string("while processing '") + name + "'";
    PyObject* result = PyObject_CallMethod(value, "add_note", "s", note.c_str());
    if (result) {
      Py_DECREF(result);
    } else {
      PyErr_Clear();
    }
  }
  PyErr_Restore(type, value, traceback);
}

}  // namespace

bool bind_arguments(const ParameterSpec& spec, PyObject* const* args, Py_ssize_t nargs,
                    PyObject* kwnames, PyObject** out) {
  for (Py_ssize_t i = 0; i < spec.count; ++i) out[i] = nullptr;
  if (nargs > spec.count) {
    too_many_positional(spec, nargs);
    return false;
  }
  for (Py_ssize_t i = 0; i < nargs; ++i) out[i] = args[i];
  if (kwnames) {
    Py_ssize_t nkw = PyTuple_Size(kwnames);
    for (Py_ssize_t k = 0; k < nkw; ++k) {
      PyObject* key = PyTuple_GetItem(kwnames, k);
      PyObject* value = args[nargs + k];
      Py_ssize_t index = -1;
      for (Py_ssize_t i = 0; i < spec.count && index < 0; ++i) {
        int match = names_parameter(key, spec.names[i]);
        if (match < 0) return false;
        if (match) index = i;
      }
      if (index < 0) {
        unexpected_keyword(spec, key);
        return false;
      }
      if (out[index]) {
        set_type_error(full_name(spec) + " got multiple values for argument '" +
                       spec.names[index] + "'");
        return false;
      }
      out[index] = value;
    }
  }
  std::vector<const char*> missing;
  for (Py_ssize_t i = nargs; i < spec.required; ++i)
    if (!out[i]) missing.push_back(spec.names[i]);
  if (!missing.empty()) {
    set_type_error(full_name(spec) + " missing " + std::to_string(missing.size()) +
                   " required positional " + (missing.size() == 1 ? "argument" : "arguments") +
                   ": " + parameter_list(missing));
    return false;
  }
  return true;
}

std::optional<std::string_view> text_argument(PyObject* value, const char* name) {
  if (!PyUnicode_Check(value)) {
    not_a_str(value);
    add_note_to_pending(name);
    return std::nullopt;
  }
  Py_ssize_t size = 0;
  const char* utf8 = PyUnicode_AsUTF8AndSize(value, &size);
  if (!utf8) {
    add_note_to_pending(name);
    return std::nullopt;
  }
  return std::string_view(utf8, static_cast<std::size_t>(size));
}

}  // namespace kelp::module
