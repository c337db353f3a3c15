// Each of the six lines after the signature breaks one source rule; checksrc reports each.
void f(char* d, const char* s, const std::string& name) {
    sprintf(d, "%s", s);
    strcpy(d, s);
    int n = atoi(s);
    std::string q = "SELECT * FROM t WHERE name='" + name + "'";
    snprintf(d, 10, "DELETE FROM t WHERE id=%d", n);
    sscanf(s, "%d", &n);
    // sprintf( in a comment is fine, and so is "strcpy(" in a string
    snprintf(d, 10, "%s", s);
}
