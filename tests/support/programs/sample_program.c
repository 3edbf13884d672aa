/* A stand-in for an installed program: it only carries the version resource it is built with. */
int main(void)
{
    return 0;
}
