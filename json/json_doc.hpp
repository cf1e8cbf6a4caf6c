// JsonDoc: a JSON document whose value lives in a script engine's global variable "da" and is
// read and changed through path expressions evaluated there.
//
// Every changing operation returns the boolean of its statement's value. A value that is an
// object or an array converts through its default value, so clear (an empty object), a merge and
// remove_element (the removed elements) give false unless that text reads as true or non-zero
// (an array [1] does). No operation reports a failure in any other way.
#pragma once

#include <cstdint>
#include <memory>

#include "core/text.hpp"

namespace kessaro {

class ScriptEngine;

class JsonDoc {
  public:
    // The operations stand in the order of the class's operation table.
    JsonDoc();
    virtual ~JsonDoc();
    // A copy shares the engine: both see and change the same script state.
    JsonDoc(const JsonDoc& other);
    JsonDoc& operator=(const JsonDoc& other);

    virtual void init();
    virtual bool parse(const Text& text, bool as_expression = false);
    virtual bool clear();
    virtual Text to_json() const;
    virtual bool set_value(const Text& path = {}, const Text& value = {}, bool is_json = false);
    virtual bool set_expression(const Text& path = {}, const Text& expression = {});
    virtual bool resolve_path(Text& path) const;
    virtual bool has(const Text& path = {}) const;
    virtual int32_t value_type(const Text& path = {}) const;
    virtual Text get_text(const Text& path = {}, bool as_json = false) const;
    virtual int32_t member_names(TextList& names, const Text& path = {}) const;
    virtual int32_t member_count(const Text& path = {}) const;
    virtual JsonDoc get_object(const Text& path = {}) const;
    virtual bool add_element(const Text& value = {}, const Text& path = {}, bool is_json = false,
                             bool at_front = false);
    virtual JsonDoc get_element_object(int32_t index = 0, const Text& path = {}) const;
    virtual Text get_element_text(int32_t index = 0, const Text& path = {},
                                  bool as_json = false) const;
    virtual bool set_element(int32_t index = 0, const Text& path = {}, const Text& value = {},
                             bool is_json = false);
    virtual bool remove_element(int32_t index = 0, const Text& path = {});
    virtual bool remove(const Text& path = {});
    virtual bool set_number(const Text& path = {}, double number = 0);
    virtual double get_number(const Text& path = {}) const;
    virtual Text get_json(const Text& path = {}) const;
    virtual std::shared_ptr<ScriptEngine> script_engine() const;
    virtual int32_t leaf_values(TextList& values, const Text& path = {},
                                bool recursive = false) const;

  protected:
    // For tests: a document whose engine could not be created. `init` does not run, and since
    // `parse` re-creates only an engine that exists, the document never gets one.
    struct WithoutEngine {};
    explicit JsonDoc(WithoutEngine);

  private:
    // The host steps every operation is built from; without an engine they give false, the
    // empty text or 0, and do nothing.
    bool eval_bool(const Text& script) const;
    Text eval_text(const Text& script) const;
    double eval_number(const Text& script) const;
    void eval_discard(const Text& script) const;
    void add_code(const Text& script) const;

    // The resolved form of a copy of `path` (the caller's text stays as it is).
    Text resolved(const Text& path) const;
    JsonDoc document_of(const Text& expression) const;

    Text var_name_;
    std::shared_ptr<ScriptEngine> engine_;
};

}  // namespace kessaro
