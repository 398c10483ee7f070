// Linked with every object of one layer and only the layers below it: the
// link fails when the layer uses anything from a layer above.
int main() {
    return 0;
}
